#include "support/OneSiteDigest.h"

#include "components/MSXML2_TLB.h"
#include "pipeline/Rip.h"
#include "pipeline/SiteFiles.h"
#include "pipeline/TidyAndDisplay.h"

#include <gtest/gtest.h>

namespace nimbrel::test {

namespace {

std::string DataBytes(const std::string& relative) {
    return ReadBytes(std::string(NIMBREL_SOURCE_DIR) + "/data/" + relative);
}

std::string Attribute(const msxml::XmlNode& element, const std::string& name) {
    const msxml::XmlNode attribute = element.attributes().getNamedItem(name);
    return attribute ? attribute.text() : std::string();
}

} // namespace

std::string OneSiteDigest(const TempProgramFolder& folder, const std::string& siteElement,
                          const std::string& pageBytes) {
    msxml::XmlDocument document = msxml::XmlDocument::Create();
    EXPECT_TRUE(document.loadXML(siteElement)) << siteElement;
    const msxml::XmlNode site = document.documentElement();
    const std::string ripFile = Attribute(site, "RipFile");
    const std::string styleSheet = Attribute(site, "StyleSheet");
    folder.write("Rip/" + ripFile, DataBytes("Rip/" + ripFile));
    folder.write("stylesheets/" + styleSheet, DataBytes("stylesheets/" + styleSheet));
    folder.write("setup.xslt", DataBytes("setup.xslt"));
    folder.write("fix.dat", DataBytes("fix.dat"));
    folder.write("setup.xml",
                 "<Layout><table><tr><td>" + siteElement + "</td></tr></table></Layout>");
    folder.write("Sites/" + PageFileName(Attribute(site, "URL")), pageBytes);
    EXPECT_TRUE(Rip());
    EXPECT_TRUE(TidyAndDisplay("setup.xml", DisplayContext{false}).written);
    return folder.read("site.html");
}

} // namespace nimbrel::test
