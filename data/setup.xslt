<?xml version="1.0" encoding="UTF-8"?>
<!--
  The digest page. Turns setup.xml (the chosen sites, in order) into the page skeleton: one
  308-wide column per site inside the first table, each holding the placeholder
  <site URL="..."/> that the site's block replaces. The program sets the table's width to
  308 times the number of sites, frames every block with the site's name, time and state, marks
  new items and puts a summary line at the top of the body (docs/digest-markup.md); the style
  below gives those their look. Scripts cannot run in the page (Content Security Policy);
  pictures load from the web.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="UTF-8" indent="no" doctype-system="about:legacy-compat"/>

  <xsl:template match="/">
    <xsl:variable name="sites" select="//site"/>
    <html lang="en">
      <head>
        <meta charset="utf-8"/>
        <meta http-equiv="Content-Security-Policy" content="default-src 'none'; script-src 'none'; object-src 'none'; img-src https: http: data:; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'"/>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <meta name="color-scheme" content="light dark"/>
        <title>Nimbrel digest</title>
        <style>
:root {
  --bg: #f4f5f7; --card: #ffffff; --text: #1d2330; --muted: #5f6b7a; --rule: #e3e6eb;
  --accent: #2f6fde; --accent-soft: #e8f0fd; --title: #111827; --shadow: 0 1px 2px rgba(16,24,40,.06), 0 1px 3px rgba(16,24,40,.08);
  --new: #0f8a5f; --new-soft: #e6f6ef; --new-text: #ffffff;
  --fail: #c0362c; --fail-soft: #fdecea; --fail-text: #8f1d15;
  --wait: #b26a00; --wait-soft: #fff4e0; --wait-text: #7a4700;
}
@media (prefers-color-scheme: dark) {
  :root {
    --bg: #0f1218; --card: #181c24; --text: #d7dce4; --muted: #8b95a5; --rule: #272d38;
    --accent: #7aa7ff; --accent-soft: #1d2840; --title: #eef1f6; --shadow: 0 1px 2px rgba(0,0,0,.5);
    --new: #3ccf91; --new-soft: #12291f; --new-text: #0b1a13;
    --fail: #ff7b70; --fail-soft: #2e1715; --fail-text: #ffb4ad;
    --wait: #f0b350; --wait-soft: #2b2112; --wait-text: #f6cf8e;
  }
}
* { box-sizing: border-box; }
html, body { margin: 0; padding: 0; background: var(--bg); color: var(--text); }
body { font: 14px/1.45 system-ui, -apple-system, "Segoe UI", Roboto, "Noto Sans", "Noto Sans CJK JP", "Helvetica Neue", Arial, sans-serif; -webkit-font-smoothing: antialiased; }
a { color: inherit; text-decoration: none; }
a:hover { color: var(--accent); }
.masthead { position: sticky; left: 0; top: 0; z-index: 2; display: flex; align-items: baseline; gap: 14px; padding: 14px 20px; background: var(--card); border-bottom: 1px solid var(--rule); }
.brand { font-size: 20px; font-weight: 700; letter-spacing: -.01em; color: var(--title); }
.brand-mark { display: inline-block; width: 10px; height: 10px; margin-right: 8px; border-radius: 3px; background: var(--accent); vertical-align: 1px; }
.tagline { color: var(--muted); font-size: 13px; }
body { display: flex; flex-direction: column; min-height: 100vh; }
.masthead { order: -1; }
.digest-summary { display: flex; flex-wrap: wrap; align-items: center; gap: 6px 8px; margin: 0; padding: 9px 20px; font-size: 12px; color: var(--muted); background: var(--card); border-bottom: 1px solid var(--rule); }
.digest-sites::before { content: "·"; margin-right: 8px; }
.digest-summary .digest-failed, .digest-summary .digest-broken, .digest-summary .digest-new { padding: 1px 9px; border-radius: 999px; background: var(--bg); }
.digest-summary a.digest-broken { color: var(--wait-text); background: var(--wait-soft); font-weight: 600; }
.digest-summary a.digest-broken:hover { text-decoration: underline; }
.digest-summary .digest-failed { margin-left: 4px; }
.digest-summary a.digest-failed { color: var(--fail-text); background: var(--fail-soft); font-weight: 600; }
.digest-summary a.digest-failed:hover { text-decoration: underline; }
.digest-summary:not([data-new="0"]) .digest-new { color: var(--new); background: var(--new-soft); font-weight: 600; }
.scroller { overflow-x: auto; padding: 16px 12px 28px; }
table.digest { border-collapse: separate; border-spacing: 8px 0; table-layout: fixed; }
td.column { vertical-align: top; width: 308px; padding: 0; }
.site, .site-frame { background: var(--card); border: 1px solid var(--rule); border-radius: 12px; box-shadow: var(--shadow); padding: 14px 14px 6px; overflow: hidden; }
.site-frame .site { background: none; border: 0; border-radius: 0; box-shadow: none; padding: 0; overflow: visible; }
.site-frame.site-failure { border-top: 3px solid var(--fail); }
.site-frame.site-broken { border-top: 3px solid var(--wait); }
.site-frame-head { display: flex; align-items: baseline; gap: 8px; margin: 0 0 8px; }
.site-frame-name { flex: 1 1 auto; min-width: 0; font-size: 16px; line-height: 1.25; font-weight: 700; color: var(--title); overflow-wrap: anywhere; }
a.site-frame-name:hover { color: var(--accent); }
.site-frame-updated { flex: none; font-size: 11px; color: var(--muted); white-space: nowrap; }
.site-frame-note { margin: 0 0 10px; padding: 7px 10px; border-radius: 8px; border-left: 3px solid var(--fail); background: var(--fail-soft); color: var(--fail-text); font-size: 12px; line-height: 1.4; overflow-wrap: anywhere; }
.site-frame[data-status="deferred"] .site-frame-note, .site-frame[data-status="stopped"] .site-frame-note, .site-frame[data-status="broken"] .site-frame-note { border-left-color: var(--wait); background: var(--wait-soft); color: var(--wait-text); }
.site-frame[data-status="never"] .site-frame-note { border-left-color: var(--rule); background: var(--bg); color: var(--muted); }
.site-frame[data-status="failed"] .items, .site-frame[data-status="deferred"] .items, .site-frame[data-status="stopped"] .items, .site-frame[data-status="broken"] .items { opacity: .75; }
.site-name { margin: 0 0 8px; font-size: 16px; line-height: 1.25; font-weight: 700; color: var(--title); }
.site-name a { border-bottom: 2px solid var(--accent); padding-bottom: 2px; }
.site-frame .site-name { margin: -4px 0 6px; font-size: 11.5px; font-weight: 500; color: var(--muted); }
.site-frame .site-name a { border: 0; padding: 0; }
.site-host { display: block; margin-top: 4px; font-size: 11px; font-weight: 500; color: var(--muted); }
.site-frame .site-host { display: inline; margin: 0 0 0 6px; font-weight: 400; }
.items { list-style: none; margin: 0; padding: 0; }
.item { padding: 9px 0; border-top: 1px solid var(--rule); overflow: hidden; }
.item:first-child { border-top: 0; }
.item-link { display: block; }
.item-title { font-weight: 600; color: var(--title); }
.item-link:hover .item-title { color: var(--accent); }
.item.new { position: relative; margin: 0 -14px; padding-left: 14px; padding-right: 14px; background: var(--new-soft); box-shadow: inset 3px 0 var(--new); }
.item.new + .item, .item + .item.new { border-top-color: transparent; }
.item.new .item-title::before { content: "New"; display: inline-block; margin-right: 6px; padding: 0 6px; border-radius: 4px; background: var(--new); color: var(--new-text); font-size: 10px; font-weight: 700; line-height: 16px; letter-spacing: .04em; text-transform: uppercase; vertical-align: 2px; }
.thumb { float: right; width: 64px; height: 64px; margin: 2px 0 4px 10px; object-fit: cover; border-radius: 8px; background: var(--rule); }
.date, .meta { display: block; margin-top: 3px; font-size: 12px; color: var(--muted); }
.meta > * + *::before { content: "·"; margin: 0 6px; color: var(--muted); }
.comments { color: var(--accent); }
.summary { margin: 4px 0 0; font-size: 13px; color: var(--muted); overflow-wrap: anywhere; }
.empty { color: var(--muted); font-style: italic; margin: 4px 0 10px; }
.welcome { max-width: 520px; margin: 40px auto; padding: 24px; background: var(--card); border: 1px solid var(--rule); border-radius: 12px; color: var(--muted); }
.welcome h2 { margin-top: 0; color: var(--title); }
        </style>
      </head>
      <body>
        <header class="masthead">
          <span class="brand"><span class="brand-mark"></span>Nimbrel</span>
          <span class="tagline">Your pages, gathered into one digest</span>
        </header>
        <main class="scroller">
          <table class="digest" width="0" cellpadding="0" cellspacing="0">
            <tr>
              <xsl:for-each select="$sites">
                <td class="column" width="308" valign="top">
                  <site URL="{@URL}"/>
                </td>
              </xsl:for-each>
            </tr>
          </table>
          <xsl:if test="not($sites)">
            <section class="welcome">
              <h2>No sites chosen yet</h2>
              <p>Open Setup, pick a few sites from the library and refresh: their latest headlines will appear here side by side.</p>
            </section>
          </xsl:if>
        </main>
      </body>
    </html>
  </xsl:template>
</xsl:stylesheet>
