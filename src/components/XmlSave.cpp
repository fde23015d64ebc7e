#include "components/XmlSave.h"

#include "components/XmlEngineInternal.h"
#include "platform/Convert.h"
#include "platform/Errors.h"

#include <libxml/xmlsave.h>

#include <memory>

namespace nimbrel::msxml {

namespace {

struct BufferFree {
    void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};

[[noreturn]] void Refuse(const std::string& reason) {
    throw Exception("The XML text could not be written: " + reason);
}

} // namespace

std::string SaveTreeText(xmlNode* node, int options) {
    if (!node)
        Refuse("there is nothing to write");
    ErrorCapture errors;
    std::unique_ptr<xmlBuffer, BufferFree> buffer(xmlBufferCreate());
    if (!buffer)
        Refuse("out of memory");
    xmlSaveCtxt* save = xmlSaveToBuffer(buffer.get(), "UTF-8", options);
    if (!save)
        Refuse(errors.text().empty() ? "out of memory" : errors.text());
    const long written = node->type == XML_DOCUMENT_NODE
                             ? xmlSaveDoc(save, reinterpret_cast<xmlDoc*>(node))
                             : xmlSaveTree(save, node);
    const int closed = xmlSaveClose(save);
    if (written < 0 || closed < 0 || !errors.text().empty())
        Refuse(errors.text().empty() ? "libxml2 failed" : Trim(errors.text()));
    std::string text(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<size_t>(xmlBufferLength(buffer.get())));
    if (const size_t bad = FirstInvalidUtf8(text); bad != std::string::npos)
        Refuse("it holds bytes that are not UTF-8 text, at byte " + std::to_string(bad));
    return text;
}

} // namespace nimbrel::msxml
