// The XML engine's set-up (safety settings, error capture) and its stylesheet transform.
#include "components/XmlEngineInternal.h"

#include "platform/Errors.h"
#include "platform/LargeStack.h"
#include "platform/Limits.h"

#include <libexslt/exslt.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxslt/documents.h>
#include <libxslt/imports.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace nimbrel::msxml {

namespace {

thread_local ErrorCapture* currentCapture = nullptr;

void CaptureFormatted(void*, const char* format, ...) {
    if (!currentCapture)
        return;
    char piece[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(piece, sizeof piece, format, args);
    va_end(args);
    currentCapture->append(piece);
}

void CaptureStructured(void*, xmlErrorPtr error) {
    if (currentCapture && error && error->message)
        currentCapture->append(error->message);
}

// Documents that stylesheets pull in (xsl:import, xsl:include, document()) are parsed with the
// same safe options as every other document, not libxslt's defaults, which expand entities.
xmlDocPtr SafeDocumentLoader(const xmlChar* uri, xmlDictPtr dict, int, void*, xsltLoadType type) {
    xmlParserCtxtPtr parser = xmlNewParserCtxt();
    if (!parser)
        return nullptr;
    if (dict) {
        xmlDictFree(parser->dict);
        parser->dict = dict;
        xmlDictReference(dict);
    }
    int options = SafeParseOptions();
    if (type == XSLT_LOAD_STYLESHEET)
        options |= XML_PARSE_NOCDATA;
    xmlDocPtr doc = xmlCtxtReadFile(parser, reinterpret_cast<const char*>(uri), nullptr, options);
    if (doc && !parser->wellFormed) {
        xmlFreeDoc(doc);
        doc = nullptr;
    }
    xmlFreeParserCtxt(parser);
    return doc;
}

// While a stylesheet is compiled it may read the files it imports or includes; it never
// writes files, creates folders or uses the network.
class SecurityPreferences {
  public:
    explicit SecurityPreferences(bool readFiles) : prefs_(xsltNewSecurityPrefs()) {
        if (!readFiles)
            xsltSetSecurityPrefs(prefs_, XSLT_SECPREF_READ_FILE, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs_, XSLT_SECPREF_WRITE_FILE, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs_, XSLT_SECPREF_CREATE_DIRECTORY, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs_, XSLT_SECPREF_READ_NETWORK, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs_, XSLT_SECPREF_WRITE_NETWORK, xsltSecurityForbid);
    }
    ~SecurityPreferences() { xsltFreeSecurityPrefs(prefs_); }
    SecurityPreferences(const SecurityPreferences&) = delete;
    SecurityPreferences& operator=(const SecurityPreferences&) = delete;
    xsltSecurityPrefsPtr get() const { return prefs_; }

  private:
    xsltSecurityPrefsPtr prefs_;
};

SecurityPreferences& CompileSecurity() {
    static SecurityPreferences preferences(true);
    return preferences;
}

// A running transform reads nothing either: document() and exsl:document are refused, so a
// stylesheet cannot pull local files into the digest or write any.
SecurityPreferences& RunSecurity() {
    static SecurityPreferences preferences(false);
    return preferences;
}

struct StylesheetDeleter {
    void operator()(xsltStylesheetPtr s) const { xsltFreeStylesheet(s); }
};
struct TransformContextDeleter {
    void operator()(xsltTransformContextPtr c) const { xsltFreeTransformContext(c); }
};
struct DocDeleter {
    void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};

std::string EngineText(const ErrorCapture& errors, const char* fallback) {
    std::string text = errors.text();
    // libxslt follows a runaway recursion with advice for its command line and a dump of the
    // template stack: the first sentences say all the reader needs.
    const size_t advice = text.find("\nYou can adjust");
    if (advice != std::string::npos)
        text.erase(advice);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? fallback : text;
}

enum class OutputKind { Xml, Html, Text };

OutputKind KindOf(xmlDocPtr result, xsltStylesheetPtr style) {
    const xmlChar* method = nullptr;
    XSLT_GET_IMPORT_PTR(method, style, method)
    if (result->type == XML_HTML_DOCUMENT_NODE)
        return OutputKind::Html;
    if (method && xmlStrEqual(method, BAD_CAST "text"))
        return OutputKind::Text;
    if (method && (xmlStrEqual(method, BAD_CAST "html") || xmlStrEqual(method, BAD_CAST "xhtml")))
        return OutputKind::Html;
    return OutputKind::Xml;
}

// The result as UTF-8 text whatever encoding the stylesheet names: the caller's text is UTF-8.
std::string SerialiseResult(xmlDocPtr result, xsltStylesheetPtr style) {
    xmlOutputBufferPtr out = xmlAllocOutputBuffer(nullptr);
    if (!out)
        throw Exception("Out of memory while writing the transform's result");
    const bool saved = xsltSaveResultTo(out, result, style) >= 0 && out->error == 0;
    xmlOutputBufferFlush(out);
    std::string text(reinterpret_cast<const char*>(xmlOutputBufferGetContent(out)),
                     xmlOutputBufferGetSize(out));
    xmlOutputBufferClose(out);
    // A result cut short would stand in the digest as if whole.
    if (!saved)
        throw Exception("The transform's result could not be written out");
    return text;
}

// The engine's text results are wide text: their declaration always names UTF-16.
std::string WithWideTextDeclaration(const std::string& text) {
    static const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";
    if (text.compare(0, 5, "<?xml") != 0)
        return text;
    size_t end = text.find("?>");
    return end == std::string::npos ? text : declaration + text.substr(end + 2);
}

// Index just past the end of the construct starting at i, or npos when it is not closed.
size_t SkipTo(const std::string& s, size_t i, const char* terminator) {
    size_t end = s.find(terminator, i);
    return end == std::string::npos ? end : end + std::char_traits<char>::length(terminator);
}

// Compiles the tree as a stylesheet; what went wrong is kept with the result, so a stylesheet
// that fails for one site fails the same way for the next without being compiled again.
std::unique_ptr<CompiledStylesheet> Compile(xmlDocPtr stylesheet) {
    auto compiled = std::make_unique<CompiledStylesheet>();
    ErrorCapture errors;
    // libxslt takes the tree over and edits it; the caller's document stays as it was.
    xmlDocPtr copy = xmlCopyDoc(stylesheet, 1);
    if (!copy)
        throw Exception("Out of memory while preparing the stylesheet");
    std::unique_ptr<xsltStylesheet, StylesheetDeleter> style(xsltParseStylesheetDoc(copy));
    if (!style) {
        xmlFreeDoc(copy);
        compiled->failure = EngineText(errors, "The document is not a valid stylesheet");
    } else if (style->errors > 0) {
        compiled->failure = EngineText(errors, "The stylesheet holds errors");
    } else {
        compiled->style = style.release();
    }
    compiled->messages = errors.text();
    return compiled;
}

// The transform proper, on the thread that calls it.
std::string TransformOnThisThread(xmlDocPtr source, DocumentState& stylesheet) {
    if (!xmlDocGetRootElement(stylesheet.doc))
        throw Exception("The stylesheet is empty: nothing was loaded into it");
    if (!stylesheet.compiled)
        stylesheet.compiled = Compile(stylesheet.doc);
    const CompiledStylesheet& compiled = *stylesheet.compiled;
    if (!compiled.style)
        throw Exception(compiled.failure);
    // The reasons read as when the stylesheet is compiled for this very transform.
    ErrorCapture errors;
    errors.append(compiled.messages);
    xsltStylesheetPtr style = compiled.style;
    std::unique_ptr<xsltTransformContext, TransformContextDeleter> context(
        xsltNewTransformContext(style, source));
    if (!context)
        throw Exception("Out of memory while preparing the transform");
    xsltSetCtxtSecurityPrefs(RunSecurity().get(), context.get());
    context->maxTemplateDepth = limits::kTemplateDepth;
    context->maxTemplateVars = limits::kTemplateVariables;
    std::unique_ptr<xmlDoc, DocDeleter> result(
        xsltApplyStylesheetUser(style, source, nullptr, nullptr, nullptr, context.get()));
    if (!result || context->state == XSLT_STATE_ERROR || context->state == XSLT_STATE_STOPPED)
        throw Exception(EngineText(errors, "The transform failed"));
    std::string text = SerialiseResult(result.get(), style);
    if (KindOf(result.get(), style) != OutputKind::Xml)
        return text;
    return BlankBeforeEmptyTagEnd(WithWideTextDeclaration(text));
}

} // namespace

void InitialiseEngine() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xsltInit();
        exsltRegisterAll();
        xsltSetGenericErrorFunc(nullptr, &CaptureFormatted);
        xsltSetLoaderFunc(&SafeDocumentLoader);
        xsltSetDefaultSecurityPrefs(CompileSecurity().get());
        RunSecurity();
    });
}

int SafeParseOptions() {
    return XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
}

ErrorCapture::ErrorCapture() : previous_(currentCapture) {
    currentCapture = this;
    xmlSetGenericErrorFunc(nullptr, &CaptureFormatted);
    xmlSetStructuredErrorFunc(nullptr, &CaptureStructured);
}

ErrorCapture::~ErrorCapture() {
    currentCapture = previous_;
    if (!previous_) {
        xmlSetGenericErrorFunc(nullptr, nullptr);
        xmlSetStructuredErrorFunc(nullptr, nullptr);
    }
}

void ErrorCapture::append(const std::string& piece) {
    if (text_.size() < 4096)
        text_ += piece;
}

std::string BlankBeforeEmptyTagEnd(const std::string& markup) {
    std::string out;
    out.reserve(markup.size() + markup.size() / 64);
    size_t i = 0;
    while (i < markup.size()) {
        size_t next = markup.find('<', i);
        if (next == std::string::npos) {
            out.append(markup, i, std::string::npos);
            break;
        }
        out.append(markup, i, next - i);
        size_t end;
        if (markup.compare(next, 4, "<!--") == 0)
            end = SkipTo(markup, next + 4, "-->");
        else if (markup.compare(next, 9, "<![CDATA[") == 0)
            end = SkipTo(markup, next + 9, "]]>");
        else if (markup.compare(next, 2, "<?") == 0)
            end = SkipTo(markup, next + 2, "?>");
        else if (markup.compare(next, 2, "<!") == 0 || markup.compare(next, 2, "</") == 0)
            end = SkipTo(markup, next + 2, ">");
        else {
            // A start tag: find its ">" outside quoted attribute values.
            char quote = 0;
            end = next + 1;
            while (end < markup.size() && (quote || markup[end] != '>')) {
                if (quote && markup[end] == quote)
                    quote = 0;
                else if (!quote && (markup[end] == '"' || markup[end] == '\''))
                    quote = markup[end];
                ++end;
            }
            if (end < markup.size() && markup[end - 1] == '/' && end - 2 > next &&
                markup[end - 2] != ' ') {
                out.append(markup, next, end - 1 - next);
                out += " />";
                i = end + 1;
                continue;
            }
            end = end < markup.size() ? end + 1 : std::string::npos;
        }
        if (end == std::string::npos) {
            out.append(markup, next, std::string::npos);
            break;
        }
        out.append(markup, next, end - next);
        i = end;
    }
    return out;
}

CompiledStylesheet::~CompiledStylesheet() {
    if (style)
        xsltFreeStylesheet(style);
}

std::string TransformTree(xmlDocPtr source, DocumentState& stylesheet) {
    InitialiseEngine();
    std::string text;
    // Templates recurse in C: the thread's stack holds limits::kTemplateDepth of them.
    RunOnLargeStack(limits::kEngineStackBytes,
                    [&] { text = TransformOnThisThread(source, stylesheet); });
    return text;
}

} // namespace nimbrel::msxml
