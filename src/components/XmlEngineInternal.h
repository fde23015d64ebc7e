// Shared between the XML engine's source files; not for the rest of the program.
#pragma once

#include "components/MSXML2_TLB.h"

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

struct _xsltStylesheet;

namespace nimbrel::msxml {

// A stylesheet compiled from a document's tree, kept with the tree so that transforming many
// documents with it compiles it once. It holds a copy of the tree, so the tree stays as it was.
struct CompiledStylesheet {
    CompiledStylesheet() = default;
    ~CompiledStylesheet();
    CompiledStylesheet(const CompiledStylesheet&) = delete;
    CompiledStylesheet& operator=(const CompiledStylesheet&) = delete;

    _xsltStylesheet* style = nullptr; // null when the tree is not a usable stylesheet
    std::string messages;             // what the engine reported while compiling
    std::string failure;              // why it is not usable
};

// One libxml2 tree. Node handles share it, so a node outlives a reload of its document object.
struct DocumentState {
    explicit DocumentState(xmlDocPtr tree) : doc(tree) {}
    ~DocumentState();
    DocumentState(const DocumentState&) = delete;
    DocumentState& operator=(const DocumentState&) = delete;

    xmlDocPtr doc;
    // Attribute nodes made by createAttribute or displaced by setNamedItem: handles may still
    // point at them, so they are freed with the tree, and only if still detached.
    std::unordered_set<xmlAttrPtr> detached;
    std::weak_ptr<DocumentObject> owner;
    // The tree compiled as a stylesheet by the first transform that used it; an edit of the
    // tree drops it. Like the tree, it is used by one thread at a time.
    std::unique_ptr<CompiledStylesheet> compiled;
    void changed() { compiled.reset(); }
};

struct DocumentObject {
    std::shared_ptr<DocumentState> state;
    ParseError error;
    bool async = true;
    bool declaration = false;
    bool unlimited = false; // XML_PARSE_HUGE on loads
};

// Initialises libxml2, libxslt and their safety settings once per process (InitialiseXmlEngine).
void InitialiseEngine();

// Parser options for every document: no network, no DTD, no entity substitution, no huge mode,
// and no error text on stderr (the reason goes to parseError instead).
int SafeParseOptions();

// Parses the bytes with the safe options (and `extraOptions`), noting in `error` the parser's
// first error, the one that says where the text went wrong (what follows are its consequences);
// `error` stays empty when the parser reports none. Returns the tree when the text is
// well-formed or XML_PARSE_RECOVER is among the options; null otherwise.
xmlDocPtr ParseXmlBytes(std::string_view bytes, const char* url, int extraOptions,
                        ParseError& error);

// Collects the error texts libxml2 and libxslt report on this thread while it lives.
class ErrorCapture {
  public:
    ErrorCapture();
    ~ErrorCapture();
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;
    const std::string& text() const { return text_; }
    void append(const std::string& piece);

  private:
    std::string text_;
    ErrorCapture* previous_;
};

// Runs the stylesheet over the source tree and returns the result as text (see transformNode).
std::string TransformTree(xmlDocPtr source, DocumentState& stylesheet);

// Writes a blank before the "/>" of every empty element in serialized XML markup, leaving
// comments, CDATA sections, processing instructions and declarations as they are.
std::string BlankBeforeEmptyTagEnd(const std::string& markup);

} // namespace nimbrel::msxml
