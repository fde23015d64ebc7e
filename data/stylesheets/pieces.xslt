<?xml version="1.0" encoding="UTF-8"?>
<!--
  A block for any page cut by a rule from the rule editor: the page's title (the rule's first
  piece, <p class="page-title">) as the heading, linked to the site, then one item per piece
  (<div class="piece">). An item's first link gives its address. Its title is a heading of the
  piece that holds no link (a post whose headline is plain text and whose link is a permalink
  below it), unless the link itself stands in a heading; else the text of the first link to
  that address that has text (a picture link often comes first); else the piece's text. The
  rest of the piece's text, up to 200 characters, is its summary. A piece's first picture
  becomes a small thumbnail. Relative links are made absolute by the display step.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <!-- Written as XML: the HTML writer would percent-escape the items' links ("^" as "%5E"), so
       they would no longer read as the page wrote them. No element is ever left empty. -->
  <xsl:output method="xml" indent="no" encoding="UTF-8" omit-xml-declaration="yes"/>

  <xsl:variable name="maxItems" select="15"/>
  <xsl:variable name="summaryLength" select="200"/>

  <xsl:variable name="pieces" select="//div[@class='piece']"/>
  <xsl:variable name="title" select="normalize-space((//p[@class='page-title'])[1])"/>

  <xsl:template match="/">
    <div class="site">
      <xsl:if test="$title != ''">
        <h2 class="site-name"><a href="/"><xsl:value-of select="$title"/></a></h2>
      </xsl:if>
      <xsl:choose>
        <xsl:when test="$pieces[normalize-space(.) != '' or .//img]">
          <ol class="items">
            <xsl:apply-templates select="($pieces[normalize-space(.) != '' or .//img])[position() &lt;= $maxItems]"/>
          </ol>
        </xsl:when>
        <xsl:otherwise>
          <p class="empty">Nothing to show from this site right now.</p>
        </xsl:otherwise>
      </xsl:choose>
    </div>
  </xsl:template>

  <xsl:template match="div">
    <xsl:variable name="link" select="(.//a[@href][normalize-space(@href) != ''])[1]"/>
    <xsl:variable name="href" select="normalize-space($link/@href)"/>
    <xsl:variable name="titled"
        select="(.//a[normalize-space(@href) = $href][normalize-space(translate(., '&#160;', ' ')) != ''])[1]"/>
    <xsl:variable name="plainHeading"
        select="(.//*[self::h1 or self::h2 or self::h3 or self::h4 or self::h5 or self::h6][not(.//a[@href])][normalize-space(translate(., '&#160;', ' ')) != ''])[1]"/>
    <xsl:variable name="text" select="normalize-space(translate(., '&#160;', ' '))"/>
    <xsl:variable name="title">
      <xsl:choose>
        <xsl:when test="$plainHeading and not($titled/ancestor::*[self::h1 or self::h2 or self::h3 or self::h4 or self::h5 or self::h6])">
          <xsl:value-of select="normalize-space(translate($plainHeading, '&#160;', ' '))"/>
        </xsl:when>
        <xsl:when test="$titled">
          <xsl:value-of select="normalize-space(translate($titled, '&#160;', ' '))"/>
        </xsl:when>
      </xsl:choose>
    </xsl:variable>
    <xsl:variable name="rest">
      <xsl:choose>
        <xsl:when test="$title != '' and contains($text, $title)">
          <xsl:value-of select="normalize-space(concat(substring-before($text, $title), ' ', substring-after($text, $title)))"/>
        </xsl:when>
        <xsl:otherwise><xsl:value-of select="$text"/></xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <xsl:variable name="picture" select="normalize-space((.//img/@src)[1])"/>
    <li class="item">
      <xsl:choose>
        <xsl:when test="$link">
          <a class="item-link" href="{$href}">
            <xsl:call-template name="face">
              <xsl:with-param name="picture" select="$picture"/>
              <xsl:with-param name="title" select="string($title)"/>
              <xsl:with-param name="text" select="$text"/>
            </xsl:call-template>
          </a>
        </xsl:when>
        <xsl:otherwise>
          <xsl:call-template name="face">
            <xsl:with-param name="picture" select="$picture"/>
            <xsl:with-param name="text" select="$text"/>
          </xsl:call-template>
        </xsl:otherwise>
      </xsl:choose>
      <xsl:if test="$title != '' and $rest != ''">
        <p class="summary"><xsl:value-of select="substring($rest, 1, $summaryLength)"/></p>
      </xsl:if>
    </li>
  </xsl:template>

  <!-- The thumbnail and the title: the title chosen above, else the start of the piece's text. -->
  <xsl:template name="face">
    <xsl:param name="picture"/>
    <xsl:param name="title"/>
    <xsl:param name="text"/>
    <xsl:if test="$picture != ''">
      <img class="thumb" src="{$picture}" alt="" loading="lazy" referrerpolicy="no-referrer"/>
    </xsl:if>
    <xsl:if test="$title != '' or $text != ''">
      <span class="item-title">
        <xsl:choose>
          <xsl:when test="$title != ''"><xsl:value-of select="$title"/></xsl:when>
          <xsl:otherwise><xsl:value-of select="substring($text, 1, $summaryLength)"/></xsl:otherwise>
        </xsl:choose>
      </span>
    </xsl:if>
  </xsl:template>
</xsl:stylesheet>
