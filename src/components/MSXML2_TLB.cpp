#include "components/MSXML2_TLB.h"

#include "components/XmlEngineInternal.h"
#include "components/XmlSave.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"

#include <libxml/parser.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_map>

namespace nimbrel::msxml {

namespace {

const xmlChar* X(const std::string& text) {
    return reinterpret_cast<const xmlChar*>(text.c_str());
}

std::string S(const xmlChar* text) {
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

// A string libxml2 allocated, handed back to it when done.
std::string TakeString(xmlChar* text) {
    std::string result = S(text);
    xmlFree(text);
    return result;
}

xmlNodePtr AsNode(void* node) {
    return static_cast<xmlNodePtr>(node);
}

std::shared_ptr<DocumentState> NewTree() {
    xmlDocPtr doc = xmlNewDoc(BAD_CAST "1.0");
    if (!doc)
        throw Exception("The XML engine could not create a document");
    return std::make_shared<DocumentState>(doc);
}

std::string QualifiedName(xmlNodePtr node) {
    std::string name = S(node->name);
    if (node->ns && node->ns->prefix)
        name = S(node->ns->prefix) + ":" + name;
    return name;
}

void SetAttributeText(xmlAttrPtr attribute, const std::string& value) {
    // Replace the children directly: xmlNodeSetContent would read "&" as a reference.
    xmlFreeNodeList(attribute->children);
    attribute->children = attribute->last = nullptr;
    xmlNodePtr text = xmlNewDocText(attribute->doc, X(value));
    if (!text)
        throw Exception("Out of memory while setting an attribute");
    text->parent = reinterpret_cast<xmlNodePtr>(attribute);
    attribute->children = attribute->last = text;
}

bool BeginsWithDeclaration(const std::string& text) {
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    return text.compare(start, 6, "<?xml ") == 0 || text.compare(start, 6, "<?xml\t") == 0 ||
           text.compare(start, 6, "<?xml\r") == 0 || text.compare(start, 6, "<?xml\n") == 0;
}

ParseError EngineError(const xmlError& error) {
    std::string message = error.message;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    if (error.line <= 0)
        return ParseError::Of(std::move(message));
    ParseError noted;
    noted.reason = message + " (line " + std::to_string(error.line) + ")";
    noted.message = std::move(message);
    noted.line = error.line;
    return noted;
}

thread_local ParseError* firstParseError = nullptr;

void KeepFirstParseError(void*, xmlErrorPtr error) {
    if (firstParseError && firstParseError->reason.empty() && error && error->message &&
        error->level >= XML_ERR_ERROR)
        *firstParseError = EngineError(*error);
}

// Far above any page or setting file; refusing larger input bounds the memory a tree takes.
constexpr uint64_t kMaxDocumentBytes = 64u << 20;

std::string TooLargeReason() {
    return "The document is larger than " + std::to_string(kMaxDocumentBytes) + " bytes";
}

// Internal entities are kept as references, not substituted, but reading a node's text expands
// them. A few kilobytes of declarations could then stand for gigabytes of text, which libxml2's
// loop check does not see when the references are many rather than nested, so the load fails
// once the expansion passes this many bytes.
constexpr uint64_t kMaxEntityExpansion = 10'000'000;

class ExpansionMeter {
  public:
    // Bytes that the entity references among the nodes and their descendants expand to (plus
    // the plain text itself when countText), stopping past the limit.
    uint64_t measure(xmlNodePtr node, bool countText = false) {
        for (; node && total_ <= kMaxEntityExpansion; node = node->next) {
            if (node->type == XML_ENTITY_REF_NODE) {
                total_ += entitySize(reinterpret_cast<xmlEntityPtr>(node->children));
                continue;
            }
            if (countText && (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE))
                total_ += static_cast<uint64_t>(xmlStrlen(node->content));
            if (node->type == XML_ELEMENT_NODE)
                for (xmlAttrPtr a = node->properties; a; a = a->next)
                    measure(a->children, countText);
            if (node->type != XML_ENTITY_DECL && node->type != XML_DTD_NODE)
                measure(node->children, countText);
        }
        return total_;
    }

  private:
    uint64_t entitySize(xmlEntityPtr entity) {
        if (!entity)
            return 0;
        auto known = sizes_.find(entity);
        if (known != sizes_.end())
            return known->second;
        sizes_[entity] = kMaxEntityExpansion + 1; // a reference loop counts as too large
        uint64_t size = entity->length;
        if (entity->children) {
            ExpansionMeter inner;
            inner.sizes_ = sizes_;
            size = inner.measure(entity->children, true);
            sizes_ = std::move(inner.sizes_);
        }
        sizes_[entity] = size;
        return size;
    }

    uint64_t total_ = 0;
    std::unordered_map<xmlEntityPtr, uint64_t> sizes_;
};

// Parses bytes into a fresh tree; the error is empty on success.
std::shared_ptr<DocumentState> ParseTree(const std::string& bytes, const std::string& url,
                                         bool unlimited, ParseError& error) {
    if (bytes.size() > kMaxDocumentBytes) {
        error = ParseError::Of(TooLargeReason());
        return nullptr;
    }
    xmlDocPtr doc = ParseXmlBytes(bytes, url.empty() ? nullptr : url.c_str(),
                                  unlimited ? XML_PARSE_HUGE : 0, error);
    if (!doc) {
        if (error.reason.empty())
            error = ParseError::Of("The document is not well-formed XML");
        return nullptr;
    }
    if (doc->intSubset && ExpansionMeter().measure(doc->children) > kMaxEntityExpansion) {
        xmlFreeDoc(doc);
        error = ParseError::Of("The document's entities expand to more than " +
                               std::to_string(kMaxEntityExpansion) + " characters");
        return nullptr;
    }
    error = {};
    return std::make_shared<DocumentState>(doc);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, ParseError& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = ParseError::Of("Cannot open the file " + path + ": " + std::strerror(errno));
        return false;
    }
    in.seekg(0, std::ios::end);
    if (in && static_cast<uint64_t>(in.tellg()) > kMaxDocumentBytes) {
        error = ParseError::Of(TooLargeReason());
        return false;
    }
    in.clear();
    in.seekg(0, std::ios::beg);
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        error = ParseError::Of("Cannot read the file " + path);
        return false;
    }
    bytes = content.str();
    return true;
}

// Evaluates an XPath expression with the node as context; the nodes in document order.
std::vector<xmlNodePtr> Evaluate(xmlDocPtr doc, xmlNodePtr context, const std::string& expression) {
    InitialiseEngine();
    ErrorCapture quiet; // the reason is raised, not printed
    std::unique_ptr<xmlXPathContext, void (*)(xmlXPathContextPtr)> xpath(xmlXPathNewContext(doc),
                                                                         &xmlXPathFreeContext);
    if (!xpath)
        throw Exception("Out of memory while selecting nodes");
    xpath->node = context;
    xpath->error = [](void*, xmlErrorPtr) {}; // the reason is raised, not printed
    std::unique_ptr<xmlXPathCompExpr, void (*)(xmlXPathCompExprPtr)> compiled(
        xmlXPathCtxtCompile(xpath.get(), X(expression)), &xmlXPathFreeCompExpr);
    xmlXPathObjectPtr result =
        compiled ? xmlXPathCompiledEval(compiled.get(), xpath.get()) : nullptr;
    if (!result) {
        std::string reason = xpath->lastError.message ? xpath->lastError.message : "";
        while (!reason.empty() && reason.back() == '\n')
            reason.pop_back();
        throw Exception("Invalid expression \"" + expression +
                        "\": " + (reason.empty() ? std::string("cannot be evaluated") : reason));
    }
    std::vector<xmlNodePtr> nodes;
    if (result->type == XPATH_NODESET && result->nodesetval) {
        xmlXPathNodeSetSort(result->nodesetval);
        for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
            xmlNodePtr node = result->nodesetval->nodeTab[i];
            if (node->type != XML_NAMESPACE_DECL) // copies that die with the result
                nodes.push_back(node);
        }
    }
    xmlXPathFreeObject(result);
    return nodes;
}

} // namespace

DocumentState::~DocumentState() {
    for (xmlAttrPtr attribute : detached)
        if (!attribute->parent)
            xmlFreeProp(attribute);
    xmlFreeDoc(doc);
}

xmlDocPtr ParseXmlBytes(std::string_view bytes, const char* url, int extraOptions,
                        ParseError& error) {
    InitialiseEngine();
    error = {};
    xmlParserCtxtPtr parser = xmlNewParserCtxt();
    if (!parser)
        throw Exception("The XML engine could not create a parser");
    firstParseError = &error;
    parser->sax->serror = KeepFirstParseError;
    const int length =
        bytes.size() > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(bytes.size());
    xmlDocPtr doc = xmlCtxtReadMemory(parser, bytes.data(), length, url, nullptr,
                                      SafeParseOptions() | extraOptions);
    firstParseError = nullptr;
    if (doc && !parser->wellFormed && !(extraOptions & XML_PARSE_RECOVER)) {
        xmlFreeDoc(doc);
        doc = nullptr;
    }
    if (!doc && error.reason.empty())
        if (const xmlError* last = xmlCtxtGetLastError(parser); last && last->message)
            error = EngineError(*last);
    xmlFreeParserCtxt(parser);
    return doc;
}

ParseError ParseError::Of(std::string message) {
    ParseError error;
    error.reason = message;
    error.message = std::move(message);
    return error;
}

std::string ParseError::Where(const std::string& file) const {
    return file + (line > 0 ? ", line " + std::to_string(line) : std::string()) + ": " + message;
}

void InitialiseXmlEngine() {
    InitialiseEngine();
}

// ---- XmlNode ---------------------------------------------------------------------------------

std::string XmlNode::nodeName() const {
    xmlNodePtr node = AsNode(node_);
    if (!node)
        return {};
    switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
        return QualifiedName(node);
    case XML_TEXT_NODE:
        return "#text";
    case XML_CDATA_SECTION_NODE:
        return "#cdata-section";
    case XML_COMMENT_NODE:
        return "#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
        return "#document";
    default:
        return S(node->name);
    }
}

std::string XmlNode::text() const {
    if (!node_)
        return {};
    return TakeString(xmlNodeGetContent(AsNode(node_)));
}

std::string XmlNode::xml() const {
    return node_ ? SaveTreeText(AsNode(node_), XML_SAVE_NO_DECL) : std::string();
}

XmlNodeList XmlNode::childNodes() const {
    XmlNodeList list;
    xmlNodePtr node = AsNode(node_);
    if (!node || node->type == XML_ATTRIBUTE_NODE)
        return list; // an attribute's value is its text, not children
    for (xmlNodePtr child = node->children; child; child = child->next)
        list.items_.push_back(XmlNode(doc_, child));
    return list;
}

bool XmlNode::hasChildNodes() const {
    xmlNodePtr node = AsNode(node_);
    return node && node->type != XML_ATTRIBUTE_NODE && node->children != nullptr;
}

XmlNode XmlNode::firstChild() const {
    xmlNodePtr node = AsNode(node_);
    if (!node || node->type == XML_ATTRIBUTE_NODE || !node->children)
        return {};
    return XmlNode(doc_, node->children);
}

XmlNamedNodeMap XmlNode::attributes() const {
    XmlNamedNodeMap map;
    if (node_ && AsNode(node_)->type == XML_ELEMENT_NODE)
        map.element_ = *this;
    return map;
}

XmlDocument XmlNode::ownerDocument() const {
    if (!doc_)
        throw Exception("The node belongs to no document");
    if (auto owner = doc_->owner.lock())
        return XmlDocument(owner);
    // The document object was released while this node lived: give the tree a new one.
    auto object = std::make_shared<DocumentObject>();
    object->state = doc_;
    doc_->owner = object;
    return XmlDocument(object);
}

XmlNodeList XmlNode::selectNodes(const std::string& expression) const {
    XmlNodeList list;
    if (!node_)
        return list;
    for (xmlNodePtr node : Evaluate(doc_->doc, AsNode(node_), expression))
        list.items_.push_back(XmlNode(doc_, node));
    return list;
}

XmlNode XmlNode::selectSingleNode(const std::string& expression) const {
    return selectNodes(expression).item(0);
}

void XmlNode::setValue(const std::string& value) {
    xmlNodePtr node = AsNode(node_);
    if (!node || node->type != XML_ATTRIBUTE_NODE)
        throw Exception("Only an attribute's value can be set");
    SetAttributeText(reinterpret_cast<xmlAttrPtr>(node), value);
    doc_->changed();
}

// ---- XmlNodeList and XmlNamedNodeMap ----------------------------------------------------------

XmlNode XmlNodeList::item(long index) const {
    if (index < 0 || index >= length())
        return {};
    return items_[static_cast<size_t>(index)];
}

XmlNode XmlNamedNodeMap::getNamedItem(const std::string& name) const {
    xmlNodePtr element = AsNode(element_.node_);
    if (!element)
        return {};
    for (xmlAttrPtr a = element->properties; a; a = a->next)
        if (QualifiedName(reinterpret_cast<xmlNodePtr>(a)) == name)
            return XmlNode(element_.doc_, a);
    return {};
}

long XmlNamedNodeMap::length() const {
    xmlNodePtr element = AsNode(element_.node_);
    long count = 0;
    for (xmlAttrPtr a = element ? element->properties : nullptr; a; a = a->next)
        ++count;
    return count;
}

XmlNode XmlNamedNodeMap::item(long index) const {
    xmlNodePtr element = AsNode(element_.node_);
    long i = 0;
    for (xmlAttrPtr a = element ? element->properties : nullptr; a; a = a->next, ++i)
        if (i == index)
            return XmlNode(element_.doc_, a);
    return {};
}

void XmlNamedNodeMap::setNamedItem(const XmlNode& attribute) {
    xmlNodePtr element = AsNode(element_.node_);
    xmlNodePtr node = AsNode(attribute.node_);
    if (!element)
        throw Exception("Attributes can only be set on an element");
    if (!node || node->type != XML_ATTRIBUTE_NODE)
        throw Exception("Only an attribute node can be set as an attribute");
    if (attribute.doc_ != element_.doc_)
        throw Exception("The attribute belongs to another document");
    if (node->parent == element)
        return;
    if (node->parent)
        throw Exception("The attribute already belongs to another element");
    auto& detached = element_.doc_->detached;
    if (XmlNode old = getNamedItem(attribute.nodeName())) {
        // Handles may still point at the displaced attribute: keep it until the tree dies.
        xmlUnlinkNode(AsNode(old.node_));
        detached.insert(reinterpret_cast<xmlAttrPtr>(old.node_));
    }
    xmlAddChild(element, node);
    element_.doc_->changed();
}

// ---- XmlDocument ------------------------------------------------------------------------------

XmlDocument XmlDocument::Create() {
    InitialiseEngine();
    auto object = std::make_shared<DocumentObject>();
    object->state = NewTree();
    object->state->owner = object;
    return XmlDocument(object);
}

XmlNode XmlDocument::wrap(void* node) const {
    return node ? XmlNode(object_->state, node) : XmlNode();
}

void XmlDocument::setAsync(bool async) {
    object_->async = async;
}

bool XmlDocument::async() const {
    return object_->async;
}

void XmlDocument::setUnlimitedParsing(bool unlimited) {
    object_->unlimited = unlimited;
}

bool XmlDocument::loadXML(const std::string& text) {
    ParseError error;
    auto tree = ParseTree(text, std::string(), object_->unlimited, error);
    // A failed load leaves the document empty, as a good one replaces its content.
    object_->state = tree ? tree : NewTree();
    object_->state->owner = object_;
    object_->error = error;
    object_->declaration = tree && BeginsWithDeclaration(text);
    return error.reason.empty();
}

bool XmlDocument::load(const std::string& path) {
    std::string bytes;
    ParseError error;
    std::shared_ptr<DocumentState> tree;
    if (ReadWholeFile(path, bytes, error))
        tree = ParseTree(bytes, path, object_->unlimited, error);
    object_->state = tree ? tree : NewTree();
    object_->state->owner = object_;
    object_->error = error;
    object_->declaration = tree && BeginsWithDeclaration(bytes);
    return error.reason.empty();
}

const ParseError& XmlDocument::parseError() const {
    return object_->error;
}

bool XmlDocument::hasXmlDeclaration() const {
    return object_->declaration;
}

void XmlDocument::save(const std::string& path) const {
    AtomicWriteFile(path, xml());
}

XmlNode XmlDocument::node() const {
    return wrap(object_->state->doc);
}

XmlNode XmlDocument::documentElement() const {
    return wrap(xmlDocGetRootElement(object_->state->doc));
}

XmlNode XmlDocument::firstChild() const {
    return wrap(object_->state->doc->children);
}

XmlNodeList XmlDocument::selectNodes(const std::string& expression) const {
    return node().selectNodes(expression);
}

XmlNode XmlDocument::selectSingleNode(const std::string& expression) const {
    return node().selectSingleNode(expression);
}

XmlNode XmlDocument::createAttribute(const std::string& name, const std::string& value) {
    if (xmlValidateQName(X(name), 0) != 0)
        throw Exception("'" + name + "' is not a valid attribute name");
    xmlDocPtr doc = object_->state->doc;
    xmlAttrPtr attribute = xmlNewDocProp(doc, X(name), nullptr);
    if (!attribute)
        throw Exception("Out of memory while creating an attribute");
    object_->state->detached.insert(attribute);
    SetAttributeText(attribute, value);
    return wrap(attribute);
}

std::string XmlDocument::xml() const {
    return SaveTreeText(reinterpret_cast<xmlNodePtr>(object_->state->doc), XML_SAVE_NO_DECL);
}

std::string XmlDocument::transformNode(const XmlDocument& stylesheet) const {
    return TransformTree(object_->state->doc, *stylesheet.object_->state);
}

} // namespace nimbrel::msxml
