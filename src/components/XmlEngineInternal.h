// Shared between the XML engine's source files; not for the rest of the program.
#pragma once

#include "components/MSXML2_TLB.h"

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <unordered_set>

namespace nimbrel::msxml {

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
};

struct DocumentObject {
    std::shared_ptr<DocumentState> state;
    ParseError error;
    bool async = true;
    bool declaration = false;
};

// Initialises libxml2, libxslt and their safety settings once per process.
void InitialiseEngine();

// Parser options for every document: no network, no DTD, no entity substitution, no huge mode,
// and no error text on stderr (the reason goes to parseError instead).
int SafeParseOptions();

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
std::string TransformTree(xmlDocPtr source, xmlDocPtr stylesheet);

// Writes a blank before the "/>" of every empty element in serialized XML markup, leaving
// comments, CDATA sections, processing instructions and declarations as they are.
std::string BlankBeforeEmptyTagEnd(const std::string& markup);

} // namespace nimbrel::msxml
