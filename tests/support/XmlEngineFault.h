// The XML engine failing to create a document, as it does when memory runs out: the one way the
// program meets a missing engine. While a fault lives, libxml2's xmlNewDoc (interposed by the
// test executable that uses this) answers null.
#pragma once

namespace nimbrel::test {

class XmlEngineFault {
  public:
    XmlEngineFault();
    ~XmlEngineFault();
    XmlEngineFault(const XmlEngineFault&) = delete;
    XmlEngineFault& operator=(const XmlEngineFault&) = delete;
};

} // namespace nimbrel::test
