<?xml version="1.0" encoding="UTF-8"?>
<!--
  One block for any feed cut by Rip/feed.xml: RSS 0.90 to 2.0 and Atom 0.3 and 1.0, with or
  without prefixes. The channel (RSS) or feed (Atom) element decides the feed's namespace, and
  only its items and their children in that namespace count: a module's <foo:description> or
  <media:title> never stands in for the item's own; only Dublin Core's dc:title and
  dc:description stand in where the item (or channel) has none. Heading: the feed's own title
  linked to its site (not linked when the feed names no address). Items: at most 15, each with
  its title linked to the item, a date, a short plain-text summary (the feed's summary where it
  has one, else its content's text) and a small picture where the feed has them. Addresses are resolved against the xml:base in force, then against
  the feed's site; only http and https addresses are written, relative ones are left for the
  program to resolve against the site's URL.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" indent="no" encoding="UTF-8"/>

  <xsl:variable name="maxItems" select="15"/>
  <xsl:variable name="summaryLength" select="220"/>

  <xsl:variable name="atom10" select="'http://www.w3.org/2005/Atom'"/>
  <xsl:variable name="atom03" select="'http://purl.org/atom/ns#'"/>
  <xsl:variable name="rss10" select="'http://purl.org/rss/1.0/'"/>
  <xsl:variable name="rss090" select="'http://my.netscape.com/rdf/simple/0.9/'"/>
  <!-- What some early RSS 0.90 feeds declared instead. -->
  <xsl:variable name="rss090early" select="'http://my.netscape.com/rdf/simple/0.1/'"/>
  <xsl:variable name="dublinCore" select="'http://purl.org/dc/elements/1.1/'"/>
  <xsl:variable name="contentModule" select="'http://purl.org/rss/1.0/modules/content/'"/>

  <!-- An Atom feed, or an RSS channel in no namespace, in RSS 1.0's or 0.90's, or in the one
       its rss root element is in (RSS 2.0 with a declared namespace). -->
  <xsl:variable name="channel" select="(//*[local-name() = 'feed'][namespace-uri() = $atom10 or namespace-uri() = $atom03] | //*[local-name() = 'channel'][namespace-uri() = '' or namespace-uri() = $rss10 or namespace-uri() = $rss090 or namespace-uri() = $rss090early or namespace-uri() = namespace-uri(parent::*[local-name() = 'rss'])])[1]"/>
  <xsl:variable name="ns" select="namespace-uri($channel)"/>
  <xsl:variable name="itemName">
    <xsl:choose>
      <xsl:when test="local-name($channel) = 'feed'">entry</xsl:when>
      <xsl:otherwise>item</xsl:otherwise>
    </xsl:choose>
  </xsl:variable>
  <!-- RSS 2.0 items and Atom entries stand in the channel, RSS 0.90 and 1.0 items beside it. -->
  <xsl:variable name="items" select="($channel/* | $channel/../*)[local-name() = $itemName][namespace-uri() = $ns]"/>

  <!-- The feed's own address, or failing that the origin of its first item's. -->
  <xsl:variable name="siteLink">
    <xsl:variable name="own">
      <xsl:apply-templates select="$channel" mode="address"/>
    </xsl:variable>
    <xsl:call-template name="safe">
      <xsl:with-param name="url">
        <xsl:choose>
          <xsl:when test="$own != ''"><xsl:value-of select="$own"/></xsl:when>
          <xsl:otherwise>
            <xsl:call-template name="origin">
              <xsl:with-param name="url">
                <xsl:apply-templates select="$items[1]" mode="address">
                  <xsl:with-param name="orPermalink" select="true()"/>
                </xsl:apply-templates>
              </xsl:with-param>
            </xsl:call-template>
          </xsl:otherwise>
        </xsl:choose>
      </xsl:with-param>
    </xsl:call-template>
  </xsl:variable>

  <xsl:template match="/">
    <xsl:variable name="heading">
      <xsl:call-template name="plain">
        <xsl:with-param name="s" select="($channel/*[local-name() = 'title'][namespace-uri() = $ns] | $channel/*[local-name() = 'title'][namespace-uri() = $dublinCore][not(../*[local-name() = 'title'][namespace-uri() = $ns])])[1]"/>
      </xsl:call-template>
    </xsl:variable>
    <div class="site">
      <h2 class="site-name">
        <xsl:choose>
          <xsl:when test="$siteLink != ''">
            <a href="{$siteLink}"><xsl:value-of select="$heading"/></a>
          </xsl:when>
          <!-- A feed that names no address of its own gets no link that leads nowhere. -->
          <xsl:otherwise><xsl:value-of select="$heading"/></xsl:otherwise>
        </xsl:choose>
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
    <xsl:variable name="own" select="*[namespace-uri() = $ns]"/>
    <!-- What the author wrote for this place first, the content's text only without it. -->
    <xsl:variable name="ownSummary" select="$own[local-name() = 'description' or local-name() = 'summary'][normalize-space(.) != ''][1]"/>
    <!-- Dublin Core stands in for what the item lacks of its own, never before it. -->
    <xsl:variable name="dcSummary" select="*[namespace-uri() = $dublinCore][local-name() = 'description'][normalize-space(.) != ''][1]"/>
    <xsl:variable name="summaryElement" select="$ownSummary | $dcSummary[not($ownSummary)]"/>
    <xsl:variable name="contentElement" select="($own[local-name() = 'content'][not(@mode = 'base64')] | *[namespace-uri() = $contentModule][local-name() = 'encoded'])[normalize-space(.) != ''][1]"/>
    <xsl:variable name="mediaElement" select="(.//*[local-name() = 'group']/*[local-name() = 'description'])[normalize-space(.) != ''][1]"/>
    <xsl:variable name="textElement" select="$summaryElement | $contentElement[not($summaryElement)] | $mediaElement[not($summaryElement or $contentElement)]"/>
    <xsl:variable name="link">
      <xsl:call-template name="absolute">
        <xsl:with-param name="url">
          <xsl:apply-templates select="." mode="address">
            <xsl:with-param name="orPermalink" select="true()"/>
          </xsl:apply-templates>
        </xsl:with-param>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="picture">
      <xsl:call-template name="picture">
        <xsl:with-param name="texts" select="$summaryElement | $contentElement"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="date">
      <xsl:call-template name="date">
        <xsl:with-param name="d" select="normalize-space((*[local-name() = 'pubDate' or local-name() = 'date' or local-name() = 'published' or local-name() = 'updated' or local-name() = 'issued' or local-name() = 'modified'])[1])"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="text">
      <xsl:call-template name="plain">
        <xsl:with-param name="s" select="substring($textElement, 1, 3000)"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="title">
      <xsl:call-template name="plain">
        <xsl:with-param name="s" select="($own[local-name() = 'title'][normalize-space(.) != ''] | *[namespace-uri() = $dublinCore][local-name() = 'title'][normalize-space(.) != ''][not(../*[namespace-uri() = $ns][local-name() = 'title'][normalize-space(.) != ''])])[1]"/>
      </xsl:call-template>
    </xsl:variable>
    <li class="item">
      <a class="item-link" href="{$link}">
        <xsl:if test="$picture != ''">
          <img class="thumb" src="{$picture}" alt="" loading="lazy" referrerpolicy="no-referrer"/>
        </xsl:if>
        <span class="item-title">
          <xsl:choose>
            <xsl:when test="$title != ''"><xsl:value-of select="$title"/></xsl:when>
            <!-- RSS 0.92 and 2.0 items may have no title: their summary stands in for it. -->
            <xsl:otherwise>
              <xsl:call-template name="shorten">
                <xsl:with-param name="s" select="$text"/>
              </xsl:call-template>
            </xsl:otherwise>
          </xsl:choose>
        </span>
      </a>
      <xsl:if test="$date != ''">
        <time class="date"><xsl:value-of select="$date"/></time>
      </xsl:if>
      <xsl:if test="$text != '' and $title != ''">
        <p class="summary">
          <xsl:call-template name="shorten">
            <xsl:with-param name="s" select="$text"/>
          </xsl:call-template>
        </p>
      </xsl:if>
    </li>
  </xsl:template>

  <!-- The address of a channel or an item, resolved against its xml:base: RSS <link> text or
       Atom alternate link; for an item without one, its permalink guid or RDF about. -->
  <xsl:template match="*" mode="address">
    <xsl:param name="orPermalink" select="false()"/>
    <xsl:variable name="link" select="*[local-name() = 'link'][namespace-uri() = $ns][not(@rel) or @rel = 'alternate'][normalize-space(@href) != '' or (not(@href) and normalize-space(.) != '')][1]"/>
    <xsl:variable name="guid" select="*[local-name() = 'guid'][namespace-uri() = $ns][not(@isPermaLink = 'false')][starts-with(normalize-space(.), 'http')][1]"/>
    <xsl:choose>
      <xsl:when test="$link">
        <!-- Atom's href, or the text of an RSS link, which has no href. -->
        <xsl:call-template name="based">
          <xsl:with-param name="url" select="normalize-space($link/@href | $link[not(@href)])"/>
          <xsl:with-param name="node" select="$link"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:when test="$orPermalink and $guid">
        <xsl:call-template name="based">
          <xsl:with-param name="url" select="normalize-space($guid)"/>
          <xsl:with-param name="node" select="$guid"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:when test="$orPermalink">
        <xsl:call-template name="based">
          <xsl:with-param name="url" select="normalize-space(@*[local-name() = 'about'])"/>
          <xsl:with-param name="node" select="."/>
        </xsl:call-template>
      </xsl:when>
    </xsl:choose>
  </xsl:template>

  <!-- A small picture: media thumbnail, image media content or enclosure, else the first real
       image of the item's HTML (tracking pixels and share-button icons are passed over). -->
  <xsl:template name="picture">
    <xsl:param name="texts"/>
    <xsl:variable name="thumb" select="(.//*[local-name() = 'thumbnail']/@url)[normalize-space(.) != ''][1]"/>
    <xsl:variable name="media" select="(.//*[local-name() = 'content'][@url][@medium = 'image' or starts-with(@type, 'image/') or (not(@medium) and not(@type))]/@url)[normalize-space(.) != ''][1]"/>
    <xsl:variable name="enclosure" select="(*[local-name() = 'enclosure'][starts-with(@type, 'image/')]/@url)[normalize-space(.) != ''][1]"/>
    <xsl:variable name="image" select="*[local-name() = 'image'][not(*)][starts-with(normalize-space(.), 'http')][1]"/>
    <xsl:variable name="attribute" select="$thumb | $media[not($thumb)] | $enclosure[not($thumb or $media)]"/>
    <xsl:choose>
      <xsl:when test="$attribute">
        <xsl:call-template name="picture-address">
          <xsl:with-param name="url" select="$attribute"/>
          <xsl:with-param name="node" select="$attribute/.."/>
        </xsl:call-template>
      </xsl:when>
      <xsl:when test="$image">
        <xsl:call-template name="picture-address">
          <xsl:with-param name="url" select="$image"/>
          <xsl:with-param name="node" select="$image"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:call-template name="picture-in-html">
          <xsl:with-param name="texts" select="$texts"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- The first real image of the first of the texts that has one, in escaped HTML or inline
       XHTML; its address is relative to the xml:base in force there. -->
  <xsl:template name="picture-in-html">
    <xsl:param name="texts"/>
    <xsl:if test="$texts">
      <xsl:variable name="inline" select="($texts[1]//*[local-name() = 'img'][normalize-space(@src) != ''][not(@width = '1' or @height = '1')][not(contains(concat(@src, ' ', @class), 'icon') or contains(concat(@src, ' ', @class), 'pixel') or contains(@src, 'feedburner') or contains(@src, '/emoji/'))])[1]"/>
      <xsl:variable name="src">
        <xsl:call-template name="first-image">
          <xsl:with-param name="html" select="string($texts[1])"/>
        </xsl:call-template>
      </xsl:variable>
      <xsl:choose>
        <xsl:when test="$inline">
          <xsl:call-template name="picture-address">
            <xsl:with-param name="url" select="$inline/@src"/>
            <xsl:with-param name="node" select="$inline"/>
          </xsl:call-template>
        </xsl:when>
        <xsl:when test="normalize-space($src) != ''">
          <xsl:call-template name="picture-address">
            <xsl:with-param name="url" select="$src"/>
            <xsl:with-param name="node" select="$texts[1]"/>
          </xsl:call-template>
        </xsl:when>
        <xsl:otherwise>
          <xsl:call-template name="picture-in-html">
            <xsl:with-param name="texts" select="$texts[position() &gt; 1]"/>
          </xsl:call-template>
        </xsl:otherwise>
      </xsl:choose>
    </xsl:if>
  </xsl:template>

  <xsl:template name="picture-address">
    <xsl:param name="url"/>
    <xsl:param name="node"/>
    <xsl:call-template name="absolute">
      <xsl:with-param name="url">
        <xsl:call-template name="based">
          <xsl:with-param name="url">
            <xsl:call-template name="decode">
              <xsl:with-param name="s" select="normalize-space($url)"/>
            </xsl:call-template>
          </xsl:with-param>
          <xsl:with-param name="node" select="$node"/>
        </xsl:call-template>
      </xsl:with-param>
    </xsl:call-template>
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

  <!-- An address for the digest: resolved against the feed's site, and empty unless it is
       http, https or still relative (the program resolves those against the site's URL). -->
  <xsl:template name="absolute">
    <xsl:param name="url"/>
    <xsl:call-template name="safe">
      <xsl:with-param name="url">
        <xsl:call-template name="resolve">
          <xsl:with-param name="ref" select="$url"/>
          <xsl:with-param name="base" select="$siteLink"/>
        </xsl:call-template>
      </xsl:with-param>
    </xsl:call-template>
  </xsl:template>

  <!-- No javascript:, data: or other scheme a feed could slip into the digest. -->
  <xsl:template name="safe">
    <xsl:param name="url"/>
    <xsl:variable name="scheme">
      <xsl:call-template name="scheme">
        <xsl:with-param name="url" select="$url"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:if test="$scheme = '' or $scheme = 'http' or $scheme = 'https'">
      <xsl:value-of select="$url"/>
    </xsl:if>
  </xsl:template>

  <!-- The address resolved against the xml:base attributes in force at the node, each of them
       resolved against the ones around it. -->
  <xsl:template name="based">
    <xsl:param name="url"/>
    <xsl:param name="node"/>
    <xsl:call-template name="resolve">
      <xsl:with-param name="ref" select="$url"/>
      <xsl:with-param name="base">
        <xsl:call-template name="base">
          <xsl:with-param name="bases" select="$node/ancestor-or-self::*/@xml:base"/>
        </xsl:call-template>
      </xsl:with-param>
    </xsl:call-template>
  </xsl:template>

  <!-- Outermost first; a base of another scheme than http or https is passed over. -->
  <xsl:template name="base">
    <xsl:param name="bases"/>
    <xsl:param name="outer" select="''"/>
    <xsl:choose>
      <xsl:when test="$bases">
        <xsl:variable name="this">
          <xsl:call-template name="safe">
            <xsl:with-param name="url">
              <xsl:call-template name="resolve">
                <xsl:with-param name="ref" select="normalize-space($bases[1])"/>
                <xsl:with-param name="base" select="$outer"/>
              </xsl:call-template>
            </xsl:with-param>
          </xsl:call-template>
        </xsl:variable>
        <xsl:call-template name="base">
          <xsl:with-param name="bases" select="$bases[position() &gt; 1]"/>
          <xsl:with-param name="outer">
            <xsl:choose>
              <xsl:when test="$this != ''"><xsl:value-of select="$this"/></xsl:when>
              <xsl:otherwise><xsl:value-of select="$outer"/></xsl:otherwise>
            </xsl:choose>
          </xsl:with-param>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$outer"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- A reference resolved against a base as browsers do, for the forms feeds use: "scheme:...",
       "//host/x", "/x", "x", "../x", "?q" and "#f". Without a base, and when empty, it stays
       as it is. -->
  <xsl:template name="resolve">
    <xsl:param name="ref"/>
    <xsl:param name="base"/>
    <xsl:variable name="scheme">
      <xsl:call-template name="scheme">
        <xsl:with-param name="url" select="$ref"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="baseScheme">
      <xsl:call-template name="scheme">
        <xsl:with-param name="url" select="$base"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="withoutFragment" select="substring-before(concat($base, '#'), '#')"/>
    <xsl:variable name="withoutQuery" select="substring-before(concat($withoutFragment, '?'), '?')"/>
    <xsl:variable name="origin">
      <xsl:call-template name="origin">
        <xsl:with-param name="url" select="$withoutQuery"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="path" select="substring($withoutQuery, string-length($origin) + 1)"/>
    <xsl:choose>
      <xsl:when test="$ref = '' or $base = '' or $scheme != ''"><xsl:value-of select="$ref"/></xsl:when>
      <xsl:when test="starts-with($ref, '//')">
        <xsl:value-of select="concat($baseScheme, substring(':', 1, string-length($baseScheme)), $ref)"/>
      </xsl:when>
      <xsl:when test="starts-with($ref, '#')"><xsl:value-of select="concat($withoutFragment, $ref)"/></xsl:when>
      <xsl:when test="starts-with($ref, '?')"><xsl:value-of select="concat($withoutQuery, $ref)"/></xsl:when>
      <xsl:otherwise>
        <xsl:variable name="merged">
          <xsl:choose>
            <xsl:when test="starts-with($ref, '/')"><xsl:value-of select="$ref"/></xsl:when>
            <xsl:when test="$origin != '' and $path = ''"><xsl:value-of select="concat('/', $ref)"/></xsl:when>
            <xsl:otherwise>
              <xsl:call-template name="before-last">
                <xsl:with-param name="s" select="$path"/>
                <xsl:with-param name="separator" select="'/'"/>
              </xsl:call-template>
              <xsl:if test="contains($path, '/')">/</xsl:if>
              <xsl:value-of select="$ref"/>
            </xsl:otherwise>
          </xsl:choose>
        </xsl:variable>
        <!-- Dot segments are removed from the path only, not from a query or fragment. -->
        <xsl:variable name="pathLength" select="string-length(substring-before(translate(concat($merged, '?'), '#', '?'), '?'))"/>
        <xsl:value-of select="$origin"/>
        <xsl:call-template name="without-dots">
          <xsl:with-param name="in" select="substring($merged, 1, $pathLength)"/>
        </xsl:call-template>
        <xsl:value-of select="substring($merged, $pathLength + 1)"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- "/a/b/../c/./d" gives "/a/c/d". -->
  <xsl:template name="without-dots">
    <xsl:param name="in"/>
    <xsl:param name="out" select="''"/>
    <xsl:choose>
      <xsl:when test="$in = '' or $in = '.' or $in = '..'"><xsl:value-of select="$out"/></xsl:when>
      <xsl:when test="starts-with($in, '../') or starts-with($in, './')">
        <xsl:call-template name="without-dots">
          <xsl:with-param name="in" select="substring-after($in, '/')"/>
          <xsl:with-param name="out" select="$out"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:when test="starts-with($in, '/./') or $in = '/.'">
        <xsl:call-template name="without-dots">
          <xsl:with-param name="in" select="concat('/', substring($in, 4))"/>
          <xsl:with-param name="out" select="$out"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:when test="starts-with($in, '/../') or $in = '/..'">
        <xsl:call-template name="without-dots">
          <xsl:with-param name="in" select="concat('/', substring($in, 5))"/>
          <xsl:with-param name="out">
            <xsl:call-template name="before-last">
              <xsl:with-param name="s" select="$out"/>
              <xsl:with-param name="separator" select="'/'"/>
            </xsl:call-template>
          </xsl:with-param>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:variable name="segment" select="concat(substring('/', 1, number(starts-with($in, '/'))), substring-before(concat(substring($in, 1 + number(starts-with($in, '/'))), '/'), '/'))"/>
        <xsl:call-template name="without-dots">
          <xsl:with-param name="in" select="substring($in, string-length($segment) + 1)"/>
          <xsl:with-param name="out" select="concat($out, $segment)"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- The scheme of an absolute address in lower case ("https" of "HTTPS://x"); empty for a
       relative one. -->
  <xsl:template name="scheme">
    <xsl:param name="url"/>
    <xsl:variable name="upper" select="'ABCDEFGHIJKLMNOPQRSTUVWXYZ'"/>
    <xsl:variable name="lower" select="'abcdefghijklmnopqrstuvwxyz'"/>
    <xsl:variable name="name" select="translate(substring-before($url, ':'), $upper, $lower)"/>
    <xsl:if test="$name != '' and translate(substring($name, 1, 1), $lower, '') = '' and translate($name, concat($lower, '0123456789+-.'), '') = ''">
      <xsl:value-of select="$name"/>
    </xsl:if>
  </xsl:template>

  <!-- "https://host/path" gives "https://host", "//host/path" gives "//host"; a relative
       address gives nothing. -->
  <xsl:template name="origin">
    <xsl:param name="url"/>
    <xsl:variable name="scheme">
      <xsl:call-template name="scheme">
        <xsl:with-param name="url" select="$url"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="afterScheme" select="substring($url, string-length($scheme) + 1 + number($scheme != ''))"/>
    <xsl:if test="starts-with($afterScheme, '//')">
      <xsl:value-of select="substring($url, 1, string-length($url) - string-length($afterScheme))"/>
      <xsl:text>//</xsl:text>
      <xsl:value-of select="substring-before(concat(substring($afterScheme, 3), '/'), '/')"/>
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

  <!-- Tags are dropped; one that breaks the text into blocks (a paragraph, a line break, a list
       item...) leaves a blank, so paragraphs do not run together, while inline ones (a link,
       bold...) leave nothing, so text without blanks (Japanese, Chinese) gains none. -->
  <xsl:template name="strip-tags">
    <xsl:param name="s"/>
    <xsl:choose>
      <xsl:when test="contains($s, '&lt;')">
        <xsl:variable name="after" select="substring-after($s, '&lt;')"/>
        <xsl:value-of select="substring-before($s, '&lt;')"/>
        <xsl:choose>
          <xsl:when test="translate(substring($after, 1, 1), 'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ/!?', '') = '' and contains($after, '&gt;')">
            <xsl:variable name="name" select="translate(substring-before(translate(concat(substring($after, 1 + number(starts-with($after, '/')), 12), ' '), '/&gt;&#9;&#10;&#13;', '     '), ' '), 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')"/>
            <xsl:if test="contains(' p br div li ul ol dl dt dd tr td th table h1 h2 h3 h4 h5 h6 hr pre blockquote section article header footer figure figcaption aside nav main address ', concat(' ', $name, ' '))">
              <xsl:text> </xsl:text>
            </xsl:if>
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
          <xsl:call-template name="before-last">
            <xsl:with-param name="s" select="$head"/>
            <xsl:with-param name="separator" select="' '"/>
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

  <!-- The text before the last separator: "a/b/c" gives "a/b"; nothing without one. -->
  <xsl:template name="before-last">
    <xsl:param name="s"/>
    <xsl:param name="separator"/>
    <xsl:if test="contains($s, $separator)">
      <xsl:value-of select="substring-before($s, $separator)"/>
      <xsl:if test="contains(substring-after($s, $separator), $separator)">
        <xsl:value-of select="$separator"/>
        <xsl:call-template name="before-last">
          <xsl:with-param name="s" select="substring-after($s, $separator)"/>
          <xsl:with-param name="separator" select="$separator"/>
        </xsl:call-template>
      </xsl:if>
    </xsl:if>
  </xsl:template>
</xsl:stylesheet>
