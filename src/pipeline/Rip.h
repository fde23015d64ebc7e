// The cutting driver: at the end of a download cycle, cuts every selected site's page file by
// its rule file into the site's cut file in the folder Work.
#pragma once

#include <string>

namespace nimbrel::msxml {
class XmlDocument;
class XmlNodeList;
} // namespace nimbrel::msxml

namespace nimbrel {

// Told how the cut goes, site by site, on the thread that runs it: for work that may begin on
// a site once the cut can no longer change the site's files.
class RipProgress {
  public:
    virtual ~RipProgress() = default;
    // The site elements of the selection, in document order, before the first is cut.
    virtual void sitesFound(const msxml::XmlNodeList& sites) = 0;
    // The site at this index has been dealt with (cut, passed over, or its failure recorded).
    virtual void siteDone(long index) = 0;
    // Before the site at this index is looked at: may wait until its page file is final.
    virtual void beforeSite(long) {}
    // A message of the cut; shown through the dialogs in force unless kept for later.
    virtual void show(const std::string& message);
};

// For every site element of setup.xml, in document order: joins its page file into one line,
// in a copy in Temp (the page file itself is never rewritten), and runs its rule file's command
// tree on it, writing the cut file. A site whose page file is
// missing or shorter than 128 bytes keeps its old cut file. Shows the selection file's parse
// error and cuts nothing. What belongs to one site is that site's failure, left in its cut
// failure note (SiteFailure.h), and the other sites are cut: a blank or missing RipFile (which
// also shows "<path> not found, the program will exit now!", though the run goes on), a RipFile
// outside the folder Rip, a rule file that does not load (its parse error is also shown), any
// error of its cut but a full disk, denied access or a missing folder; the cut file keeps the
// pieces written so far. The errors of the whole step are raised and end it. Returns false
// when setup.xml could not be loaded. `progress`, when given, is told of every site.
bool Rip(RipProgress* progress = nullptr);
// As Rip, on a selection already loaded (its parse error is shown as Rip shows it).
bool RipSelection(const msxml::XmlDocument& selection, RipProgress* progress);

} // namespace nimbrel
