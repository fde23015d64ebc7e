<?xml version="1.0" encoding="UTF-8"?>
<!--
  One block for any feed cut by Rip/feed.xml: RSS 2.0, RSS 1.0 (RDF) or Atom. Elements are
  matched by local name, so the block comes out the same whether or not the cleaned text kept
  the namespace declarations. Heading: the feed's own title linked to its site. Items: at most
  15, each with its title linked to the item, a date, a short plain-text summary and a small
  picture where the feed has them. Relative links are made absolute against the feed's site.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" indent="no" encoding="UTF-8"/>

  <xsl:variable name="maxItems" select="15"/>
  <xsl:variable name="summaryLength" select="220"/>

  <xsl:variable name="channel" select="(//*[local-name()='channel'] | //*[local-name()='feed'])[1]"/>
  <xsl:variable name="items" select="//*[local-name()='item' or local-name()='entry']"/>

  <xsl:variable name="siteLink">
    <xsl:variable name="rssLink" select="normalize-space($channel/*[local-name()='link'][normalize-space(.) != ''][1])"/>
    <xsl:variable name="atomLink" select="normalize-space(($channel/*[local-name()='link'][@rel='alternate' or not(@rel)]/@href)[1])"/>
    <xsl:choose>
      <xsl:when test="$rssLink != ''"><xsl:value-of select="$rssLink"/></xsl:when>
      <xsl:when test="$atomLink != ''"><xsl:value-of select="$atomLink"/></xsl:when>
      <xsl:otherwise>
        <xsl:call-template name="origin">
          <xsl:with-param name="url" select="normalize-space(($items/*[local-name()='link'][normalize-space(.) != ''] | $items/*[local-name()='link']/@href)[1])"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:variable>

  <xsl:template match="/">
    <div class="site">
      <h2 class="site-name">
        <a href="{$siteLink}">
          <xsl:call-template name="plain">
            <xsl:with-param name="s" select="$channel/*[local-name()='title'][1]"/>
          </xsl:call-template>
        </a>
      </h2>
      <xsl:choose>
        <xsl:when test="$items">
          <ol class="items">
            <xsl:apply-templates select="$items[position() &lt;= $maxItems]"/>
          </ol>
        </xsl:when>
        <xsl:otherwise>
          <p class="empty">Nothing to show from this site right now.</p>
        </xsl:otherwise>
      </xsl:choose>
    </div>
  </xsl:template>

  <xsl:template match="*">
    <xsl:variable name="link">
      <xsl:apply-templates select="." mode="link"/>
    </xsl:variable>
    <xsl:variable name="picture">
      <xsl:apply-templates select="." mode="picture"/>
    </xsl:variable>
    <xsl:variable name="date">
      <xsl:call-template name="date">
        <xsl:with-param name="d" select="normalize-space((*[local-name()='pubDate' or local-name()='date' or local-name()='published' or local-name()='updated'])[1])"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="summary">
      <xsl:call-template name="shorten">
        <xsl:with-param name="s">
          <xsl:call-template name="plain">
            <xsl:with-param name="s" select="substring((*[local-name()='description' or local-name()='summary'] | *[local-name()='content'] | *[local-name()='encoded'] | .//*[local-name()='group']/*[local-name()='description'])[normalize-space(.) != ''][1], 1, 3000)"/>
          </xsl:call-template>
        </xsl:with-param>
      </xsl:call-template>
    </xsl:variable>
    <li class="item">
      <a class="item-link" href="{$link}">
        <xsl:if test="$picture != ''">
          <img class="thumb" src="{$picture}" alt="" loading="lazy" referrerpolicy="no-referrer"/>
        </xsl:if>
        <span class="item-title">
          <xsl:call-template name="plain">
            <xsl:with-param name="s" select="*[local-name()='title'][1]"/>
          </xsl:call-template>
        </span>
      </a>
      <xsl:if test="$date != ''">
        <time class="date"><xsl:value-of select="$date"/></time>
      </xsl:if>
      <xsl:if test="$summary != ''">
        <p class="summary"><xsl:value-of select="$summary"/></p>
      </xsl:if>
    </li>
  </xsl:template>

  <!-- The item's address: RSS <link> text, Atom alternate link, or a permalink guid. -->
  <xsl:template match="*" mode="link">
    <xsl:variable name="text" select="normalize-space(*[local-name()='link'][normalize-space(.) != ''][1])"/>
    <xsl:variable name="href" select="normalize-space((*[local-name()='link'][@rel='alternate' or not(@rel)]/@href)[1])"/>
    <xsl:variable name="guid" select="normalize-space(*[local-name()='guid'][not(@isPermaLink='false')][1])"/>
    <xsl:call-template name="absolute">
      <xsl:with-param name="url">
        <xsl:choose>
          <xsl:when test="$text != ''"><xsl:value-of select="$text"/></xsl:when>
          <xsl:when test="$href != ''"><xsl:value-of select="$href"/></xsl:when>
          <xsl:when test="starts-with($guid, 'http')"><xsl:value-of select="$guid"/></xsl:when>
          <xsl:otherwise><xsl:value-of select="normalize-space(@*[local-name()='about'])"/></xsl:otherwise>
        </xsl:choose>
      </xsl:with-param>
    </xsl:call-template>
  </xsl:template>

  <!-- A small picture: media thumbnail, image media content or enclosure, else the first real
       image of the item's HTML (tracking pixels and share-button icons are passed over). -->
  <xsl:template match="*" mode="picture">
    <xsl:variable name="thumb" select="(.//*[local-name()='thumbnail']/@url)[1]"/>
    <xsl:variable name="media" select="(.//*[local-name()='content'][@url][@medium='image' or starts-with(@type, 'image/') or (not(@medium) and not(@type))]/@url)[1]"/>
    <xsl:variable name="enclosure" select="(*[local-name()='enclosure'][starts-with(@type, 'image/')]/@url)[1]"/>
    <xsl:variable name="image" select="normalize-space(*[local-name()='image'][not(*)][1])"/>
    <xsl:variable name="url">
      <xsl:choose>
        <xsl:when test="normalize-space($thumb) != ''"><xsl:value-of select="$thumb"/></xsl:when>
        <xsl:when test="normalize-space($media) != ''"><xsl:value-of select="$media"/></xsl:when>
        <xsl:when test="normalize-space($enclosure) != ''"><xsl:value-of select="$enclosure"/></xsl:when>
        <xsl:when test="starts-with($image, 'http')"><xsl:value-of select="$image"/></xsl:when>
        <xsl:otherwise>
          <xsl:call-template name="first-image">
            <xsl:with-param name="html" select="concat(*[local-name()='description' or local-name()='summary'], ' ', *[local-name()='encoded' or local-name()='content'])"/>
          </xsl:call-template>
        </xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <xsl:variable name="decoded">
      <xsl:call-template name="decode">
        <xsl:with-param name="s" select="normalize-space($url)"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:if test="$decoded != ''">
      <xsl:call-template name="absolute">
        <xsl:with-param name="url" select="$decoded"/>
      </xsl:call-template>
    </xsl:if>
  </xsl:template>

  <xsl:template name="first-image">
    <xsl:param name="html"/>
    <xsl:if test="contains($html, '&lt;img')">
      <xsl:variable name="tag" select="substring-before(substring-after($html, '&lt;img'), '&gt;')"/>
      <xsl:choose>
        <xsl:when test="contains($tag, 'width=&quot;1&quot;') or contains($tag, 'height=&quot;1&quot;') or contains($tag, 'icon') or contains($tag, 'pixel') or contains($tag, 'feedburner') or contains($tag, '/emoji/')">
          <xsl:call-template name="first-image">
            <xsl:with-param name="html" select="substring-after(substring-after($html, '&lt;img'), '&gt;')"/>
          </xsl:call-template>
        </xsl:when>
        <xsl:when test="contains($tag, 'src=&quot;')">
          <xsl:value-of select="substring-before(substring-after($tag, 'src=&quot;'), '&quot;')"/>
        </xsl:when>
        <xsl:when test='contains($tag, "src=&apos;")'>
          <xsl:value-of select='substring-before(substring-after($tag, "src=&apos;"), "&apos;")'/>
        </xsl:when>
      </xsl:choose>
    </xsl:if>
  </xsl:template>

  <!-- Makes a feed's address absolute against the site: "//host/x" and "/x" and "x". -->
  <xsl:template name="absolute">
    <xsl:param name="url"/>
    <xsl:choose>
      <xsl:when test="$url = '' or starts-with($url, 'http://') or starts-with($url, 'https://')">
        <xsl:value-of select="$url"/>
      </xsl:when>
      <xsl:when test="starts-with($url, '//')">
        <xsl:value-of select="concat('https:', $url)"/>
      </xsl:when>
      <xsl:when test="starts-with($url, '/')">
        <xsl:call-template name="origin">
          <xsl:with-param name="url" select="$siteLink"/>
        </xsl:call-template>
        <xsl:value-of select="$url"/>
      </xsl:when>
      <xsl:otherwise>
        <xsl:call-template name="origin">
          <xsl:with-param name="url" select="$siteLink"/>
        </xsl:call-template>
        <xsl:value-of select="concat('/', $url)"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- "https://host/path" gives "https://host". -->
  <xsl:template name="origin">
    <xsl:param name="url"/>
    <xsl:if test="contains($url, '://')">
      <xsl:variable name="rest" select="substring-after($url, '://')"/>
      <xsl:value-of select="substring-before($url, '://')"/>
      <xsl:text>://</xsl:text>
      <xsl:choose>
        <xsl:when test="contains($rest, '/')"><xsl:value-of select="substring-before($rest, '/')"/></xsl:when>
        <xsl:otherwise><xsl:value-of select="$rest"/></xsl:otherwise>
      </xsl:choose>
    </xsl:if>
  </xsl:template>

  <!-- "Wed, 31 Jan 2018 07:26:05 GMT" and "2018-01-31T07:26:05Z" both give "31 Jan 2018". -->
  <xsl:template name="date">
    <xsl:param name="d"/>
    <xsl:choose>
      <xsl:when test="substring($d, 5, 1) = '-' and substring($d, 8, 1) = '-'">
        <xsl:value-of select="number(substring($d, 9, 2))"/>
        <xsl:text> </xsl:text>
        <xsl:value-of select="substring('JanFebMarAprMayJunJulAugSepOctNovDec', (number(substring($d, 6, 2)) - 1) * 3 + 1, 3)"/>
        <xsl:text> </xsl:text>
        <xsl:value-of select="substring($d, 1, 4)"/>
      </xsl:when>
      <xsl:when test="$d != ''">
        <xsl:variable name="rest">
          <xsl:choose>
            <xsl:when test="contains($d, ',')"><xsl:value-of select="normalize-space(substring-after($d, ','))"/></xsl:when>
            <xsl:otherwise><xsl:value-of select="$d"/></xsl:otherwise>
          </xsl:choose>
        </xsl:variable>
        <xsl:variable name="afterDay" select="substring-after($rest, ' ')"/>
        <xsl:value-of select="number(substring-before($rest, ' '))"/>
        <xsl:text> </xsl:text>
        <xsl:value-of select="substring-before($afterDay, ' ')"/>
        <xsl:text> </xsl:text>
        <xsl:value-of select="substring(substring-after($afterDay, ' '), 1, 4)"/>
      </xsl:when>
    </xsl:choose>
  </xsl:template>

  <!-- Plain text of a title or summary that may hold HTML (escaped or in CDATA): tags are
       dropped, the common entities decoded, blanks collapsed. -->
  <xsl:template name="plain">
    <xsl:param name="s"/>
    <xsl:variable name="untagged">
      <xsl:call-template name="strip-tags">
        <xsl:with-param name="s" select="string($s)"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="decoded">
      <xsl:call-template name="decode">
        <xsl:with-param name="s" select="$untagged"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:value-of select="normalize-space($decoded)"/>
  </xsl:template>

  <xsl:template name="strip-tags">
    <xsl:param name="s"/>
    <xsl:choose>
      <xsl:when test="contains($s, '&lt;')">
        <xsl:variable name="after" select="substring-after($s, '&lt;')"/>
        <xsl:value-of select="substring-before($s, '&lt;')"/>
        <xsl:choose>
          <xsl:when test="translate(substring($after, 1, 1), 'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ/!?', '') = '' and contains($after, '&gt;')">
            <xsl:text> </xsl:text>
            <xsl:call-template name="strip-tags">
              <xsl:with-param name="s" select="substring-after($after, '&gt;')"/>
            </xsl:call-template>
          </xsl:when>
          <xsl:otherwise>
            <xsl:text>&lt;</xsl:text>
            <xsl:call-template name="strip-tags">
              <xsl:with-param name="s" select="$after"/>
            </xsl:call-template>
          </xsl:otherwise>
        </xsl:choose>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$s"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="decode">
    <xsl:param name="s"/>
    <xsl:choose>
      <xsl:when test="contains($s, '&amp;') and contains(substring-after($s, '&amp;'), ';')">
        <xsl:variable name="name" select="substring-before(substring-after($s, '&amp;'), ';')"/>
        <xsl:value-of select="substring-before($s, '&amp;')"/>
        <xsl:choose>
          <xsl:when test="$name = 'nbsp' or $name = '#160'"><xsl:text> </xsl:text></xsl:when>
          <xsl:when test="$name = 'amp' or $name = '#38' or $name = '#038' or $name = '#x26'">&amp;</xsl:when>
          <xsl:when test="$name = 'quot' or $name = '#34'">"</xsl:when>
          <xsl:when test="$name = 'apos' or $name = '#39' or $name = '#039' or $name = '#x27'">'</xsl:when>
          <xsl:when test="$name = 'lt' or $name = '#60'">&lt;</xsl:when>
          <xsl:when test="$name = 'gt' or $name = '#62'">&gt;</xsl:when>
          <xsl:when test="$name = 'rsquo' or $name = '#8217'">&#8217;</xsl:when>
          <xsl:when test="$name = 'lsquo' or $name = '#8216'">&#8216;</xsl:when>
          <xsl:when test="$name = 'rdquo' or $name = '#8221'">&#8221;</xsl:when>
          <xsl:when test="$name = 'ldquo' or $name = '#8220'">&#8220;</xsl:when>
          <xsl:when test="$name = 'mdash' or $name = '#8212'">&#8212;</xsl:when>
          <xsl:when test="$name = 'ndash' or $name = '#8211'">&#8211;</xsl:when>
          <xsl:when test="$name = 'hellip' or $name = '#8230'">&#8230;</xsl:when>
          <xsl:otherwise>
            <xsl:value-of select="concat('&amp;', $name, ';')"/>
          </xsl:otherwise>
        </xsl:choose>
        <xsl:call-template name="decode">
          <xsl:with-param name="s" select="substring-after(substring-after($s, '&amp;'), ';')"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$s"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- At most summaryLength characters, cut after a whole word where the text has blanks. -->
  <xsl:template name="shorten">
    <xsl:param name="s"/>
    <xsl:choose>
      <xsl:when test="string-length($s) &lt;= $summaryLength"><xsl:value-of select="$s"/></xsl:when>
      <xsl:otherwise>
        <xsl:variable name="head" select="substring($s, 1, $summaryLength)"/>
        <xsl:variable name="words">
          <xsl:call-template name="up-to-last-blank">
            <xsl:with-param name="s" select="$head"/>
          </xsl:call-template>
        </xsl:variable>
        <xsl:choose>
          <xsl:when test="string-length($words) &gt; $summaryLength div 2"><xsl:value-of select="$words"/></xsl:when>
          <xsl:otherwise><xsl:value-of select="$head"/></xsl:otherwise>
        </xsl:choose>
        <xsl:text>&#8230;</xsl:text>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="up-to-last-blank">
    <xsl:param name="s"/>
    <xsl:if test="contains($s, ' ')">
      <xsl:value-of select="substring-before($s, ' ')"/>
      <xsl:if test="contains(substring-after($s, ' '), ' ')">
        <xsl:text> </xsl:text>
        <xsl:call-template name="up-to-last-blank">
          <xsl:with-param name="s" select="substring-after($s, ' ')"/>
        </xsl:call-template>
      </xsl:if>
    </xsl:if>
  </xsl:template>
</xsl:stylesheet>
