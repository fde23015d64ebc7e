// Writing a libxml2 tree out as text, for the XML engine and for the library's own files. Nothing
// libxml2 reports is passed over: a failure raises, so no file is ever replaced by an empty, cut
// or undecodable text.
#pragma once

#include <libxml/tree.h>

#include <string>

namespace nimbrel::msxml {

// The node as UTF-8 markup; a document node gives the whole document. `options` are libxml2's
// XML_SAVE_* flags. Raises nimbrel::Exception when libxml2 cannot write it or reports an error
// while writing, or when the text is not UTF-8 (bytes that were put into the tree unchecked).
std::string SaveTreeText(xmlNode* node, int options);

} // namespace nimbrel::msxml
