<?xml version="1.0" encoding="UTF-8"?>
<!--
  An encyclopedia's main page, cut by Rip/wikipedia-en.xml or Rip/wikipedia-ja.xml into its
  canonical <link> and a list of <li> entries. Each entry's bold article link is its title;
  the entry's whole text is its summary. The page's links are relative ("/wiki/...") and are
  made absolute against the canonical address, so one stylesheet serves every language.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" indent="no" encoding="UTF-8"/>

  <xsl:variable name="canonical" select="normalize-space((//link[@rel='canonical']/@href)[1])"/>
  <xsl:variable name="host" select="substring-before(concat(substring-after($canonical, '://'), '/'), '/')"/>
  <xsl:variable name="origin" select="concat('https://', $host)"/>

  <xsl:template match="/">
    <div class="site">
      <h2 class="site-name">
        <a href="{$canonical}">Wikipedia</a>
        <xsl:if test="$host != ''">
          <span class="site-host"><xsl:value-of select="$host"/></span>
        </xsl:if>
      </h2>
      <xsl:choose>
        <xsl:when test="//li[.//a]">
          <ol class="items">
            <xsl:apply-templates select="(//li[.//a])[position() &lt;= 15]"/>
          </ol>
        </xsl:when>
        <xsl:otherwise>
          <p class="empty">Nothing to show from this site right now.</p>
        </xsl:otherwise>
      </xsl:choose>
    </div>
  </xsl:template>

  <xsl:template match="li">
    <xsl:variable name="bold" select="(.//b//a)[1]"/>
    <xsl:variable name="title" select="$bold | (.//a)[1][not($bold)]"/>
    <xsl:variable name="text" select="normalize-space(translate(., '&#160;', ' '))"/>
    <li class="item">
      <a class="item-link">
        <xsl:attribute name="href">
          <xsl:choose>
            <xsl:when test="starts-with($title/@href, '//')"><xsl:value-of select="concat('https:', $title/@href)"/></xsl:when>
            <xsl:when test="starts-with($title/@href, '/')"><xsl:value-of select="concat($origin, $title/@href)"/></xsl:when>
            <xsl:otherwise><xsl:value-of select="$title/@href"/></xsl:otherwise>
          </xsl:choose>
        </xsl:attribute>
        <span class="item-title"><xsl:value-of select="normalize-space($title)"/></span>
      </a>
      <xsl:if test="../@class = 'featured'">
        <span class="meta">Featured article</span>
      </xsl:if>
      <p class="summary">
        <xsl:choose>
          <xsl:when test="string-length($text) &gt; 160">
            <xsl:value-of select="concat(substring($text, 1, 160), '&#8230;')"/>
          </xsl:when>
          <xsl:otherwise><xsl:value-of select="$text"/></xsl:otherwise>
        </xsl:choose>
      </p>
    </li>
  </xsl:template>
</xsl:stylesheet>
