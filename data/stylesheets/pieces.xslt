<?xml version="1.0" encoding="UTF-8"?>
<!--
  A block for any page cut by a rule from the rule editor: the page's title (the rule's first
  piece, <p class="page-title">) as the heading, linked to the site, then one item per piece
  (<div class="piece">). An item's first link gives its address and, when the link has text,
  its title; otherwise the piece's text is the title. A piece's first picture becomes a small
  thumbnail. Relative links are made absolute against the site by the display step.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" indent="no" encoding="UTF-8"/>

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
    <xsl:variable name="linkText" select="normalize-space(translate($link, '&#160;', ' '))"/>
    <xsl:variable name="text" select="normalize-space(translate(., '&#160;', ' '))"/>
    <xsl:variable name="picture" select="normalize-space((.//img/@src)[1])"/>
    <li class="item">
      <xsl:choose>
        <xsl:when test="$link">
          <a class="item-link" href="{normalize-space($link/@href)}">
            <xsl:call-template name="face">
              <xsl:with-param name="picture" select="$picture"/>
              <xsl:with-param name="title" select="$linkText"/>
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
      <xsl:if test="$linkText != '' and $text != $linkText">
        <p class="summary"><xsl:value-of select="substring($text, 1, $summaryLength)"/></p>
      </xsl:if>
    </li>
  </xsl:template>

  <!-- The thumbnail and the title: the link's text, else the start of the piece's text. -->
  <xsl:template name="face">
    <xsl:param name="picture"/>
    <xsl:param name="title"/>
    <xsl:param name="text"/>
    <xsl:if test="$picture != ''">
      <img class="thumb" src="{$picture}" alt="" loading="lazy" referrerpolicy="no-referrer"/>
    </xsl:if>
    <span class="item-title">
      <xsl:choose>
        <xsl:when test="$title != ''"><xsl:value-of select="$title"/></xsl:when>
        <xsl:otherwise><xsl:value-of select="substring($text, 1, $summaryLength)"/></xsl:otherwise>
      </xsl:choose>
    </span>
  </xsl:template>
</xsl:stylesheet>
