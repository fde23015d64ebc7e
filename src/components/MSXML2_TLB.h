// The XML engine: a small document and node API over libxml2 and libxslt, offering the
// operations the program uses (load, query, transform, save). Nodes are cheap handles that keep
// their document alive. Documents never load a DTD, expand an external entity or touch the
// network; stylesheets may not write files or reach the network.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace nimbrel::msxml {

struct DocumentState;  // one libxml2 tree, shared by every node handle into it
struct DocumentObject; // a document object: its current tree, parse error and flags
class XmlDocument;
class XmlNodeList;
class XmlNamedNodeMap;

// A node of a document (element, attribute, text, ...), or the null node.
class XmlNode {
  public:
    XmlNode() = default;
    bool isNull() const { return node_ == nullptr; }
    explicit operator bool() const { return node_ != nullptr; }

    std::string nodeName() const;
    std::string text() const; // text content of the node and its descendants
    std::string xml() const;  // markup of the node with its attributes and children
    XmlNodeList childNodes() const;
    bool hasChildNodes() const;
    XmlNode firstChild() const;
    XmlNamedNodeMap attributes() const;
    XmlDocument ownerDocument() const;

    // XPath 1.0 from this node; "//" searches the whole document. An expression that does not
    // compile raises nimbrel::Exception with the engine's reason.
    XmlNodeList selectNodes(const std::string& expression) const;
    XmlNode selectSingleNode(const std::string& expression) const; // first in document order

    // Attribute node only: its value, replaced.
    void setValue(const std::string& value);

    void* raw() const { return node_; } // the libxml2 node, for the engine's own code

  private:
    friend class XmlDocument;
    friend class XmlNodeList;
    friend class XmlNamedNodeMap;
    XmlNode(std::shared_ptr<DocumentState> doc, void* node) : doc_(std::move(doc)), node_(node) {}
    std::shared_ptr<DocumentState> doc_;
    void* node_ = nullptr;
};

class XmlNodeList {
  public:
    long length() const { return static_cast<long>(items_.size()); }
    XmlNode item(long index) const; // null node when out of range

  private:
    friend class XmlNode;
    std::vector<XmlNode> items_;
};

// The attributes of an element.
class XmlNamedNodeMap {
  public:
    XmlNode getNamedItem(const std::string& name) const; // null node when absent
    // Adds the attribute node made by createAttribute, or replaces the one of the same name.
    void setNamedItem(const XmlNode& attribute);
    long length() const;
    XmlNode item(long index) const; // null node when out of range

  private:
    friend class XmlNode;
    XmlNode element_;
};

struct ParseError {
    std::string reason;  // the reason with its line, "... (line N)"; empty after a good load
    std::string message; // the reason alone
    int line = 0;        // where the parser stopped, when it says

    // A reason that names no line.
    static ParseError Of(std::string message);
    // "<file>, line N: <message>" (without the line when unknown).
    std::string Where(const std::string& file) const;
};

class XmlDocument {
  public:
    // Creates an empty document; raises nimbrel::Exception when the engine cannot make one
    // (it is out of memory).
    static XmlDocument Create();

    void setAsync(bool async); // loads are synchronous whatever is set
    bool async() const;
    // Lifts the parser's limits on nesting depth (256 levels) and text size for later loads;
    // only for documents parsed where a runaway one costs its own work alone (a worker with a
    // memory limit), such as a site's cleaned page.
    void setUnlimitedParsing(bool unlimited);

    // Parses a file or a text; the result flag mirrors parseError().reason being empty.
    bool load(const std::string& path);
    bool loadXML(const std::string& text);
    const ParseError& parseError() const;
    // True when the last good load began with an XML declaration (which is not a node here).
    bool hasXmlDeclaration() const;

    // Writes the document as UTF-8 XML text, without adding a declaration; atomic replacement.
    void save(const std::string& path) const;

    XmlNode node() const;            // the document node itself (for queries from the top)
    XmlNode documentElement() const; // null when empty
    XmlNode firstChild() const;
    XmlNodeList selectNodes(const std::string& expression) const;
    XmlNode selectSingleNode(const std::string& expression) const;
    XmlNode createAttribute(const std::string& name, const std::string& value = "");
    std::string xml() const;

    // Transforms this document with a stylesheet document. Output method xml begins with
    // <?xml version="1.0" encoding="UTF-16"?> and writes an empty element with attributes as
    // <name a="v" />; method html writes it as <name a="v"></name>. Raises nimbrel::Exception
    // with the engine's text when the stylesheet is empty or not a stylesheet. The stylesheet
    // is compiled by its first transform and again only after it is loaded anew or edited.
    std::string transformNode(const XmlDocument& stylesheet) const;

  private:
    friend class XmlNode;
    explicit XmlDocument(std::shared_ptr<DocumentObject> object) : object_(std::move(object)) {}
    XmlNode wrap(void* node) const;
    std::shared_ptr<DocumentObject> object_;
};

// Sets the engine up for the whole process; done by the first document created, and called on
// the main thread before other threads use the engine (libxml2 asks for that). Documents and
// nodes are used by one thread at a time; each thread makes its own.
void InitialiseXmlEngine();

} // namespace nimbrel::msxml
