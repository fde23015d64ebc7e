<?xml version="1.0" encoding="UTF-8"?>
<!--
  The front page of the news aggregator, cut by Rip/hackernews.xml into one <div class="story">
  per story: title link, source site, points, age and comments. Story links to discussions
  ("item?id=...") are relative on the page and made absolute here.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" indent="no" encoding="UTF-8"/>

  <xsl:variable name="home" select="'https://news.ycombinator.com/'"/>

  <xsl:template match="/">
    <div class="site">
      <h2 class="site-name"><a href="{$home}">Hacker News</a></h2>
      <xsl:choose>
        <xsl:when test="//div[@class='story']">
          <ol class="items">
            <xsl:apply-templates select="(//div[@class='story'])[position() &lt;= 15]"/>
          </ol>
        </xsl:when>
        <xsl:otherwise>
          <p class="empty">Nothing to show from this site right now.</p>
        </xsl:otherwise>
      </xsl:choose>
    </div>
  </xsl:template>

  <xsl:template match="div">
    <xsl:variable name="title" select="(.//span[@class='titleline']/a)[1]"/>
    <xsl:variable name="comments" select="(.//a[starts-with(@href, 'item?id=')][contains(., 'comment') or contains(., 'discuss')])[last()]"/>
    <li class="item">
      <a class="item-link" href="{concat(substring($home, 1, number(not(starts-with($title/@href, 'http'))) * string-length($home)), $title/@href)}">
        <span class="item-title"><xsl:value-of select="normalize-space($title)"/></span>
      </a>
      <span class="meta">
        <xsl:if test=".//span[@class='sitestr']">
          <span class="source"><xsl:value-of select="normalize-space((.//span[@class='sitestr'])[1])"/></span>
        </xsl:if>
        <xsl:if test=".//span[@class='score']">
          <span class="score"><xsl:value-of select="normalize-space((.//span[@class='score'])[1])"/></span>
        </xsl:if>
        <xsl:if test="$comments">
          <a class="comments" href="{concat($home, $comments/@href)}">
            <xsl:value-of select="normalize-space(translate($comments, '&#160;', ' '))"/>
          </a>
        </xsl:if>
      </span>
    </li>
  </xsl:template>
</xsl:stylesheet>
