// The display step begun while the cut still runs. Told of the cut's progress, it puts the
// digest together as the sites' cut files become final: a site's block is made as soon as no
// later site of the cut can write the files it reads (its cut file and cut failure note), and
// site.html's temporary file fills in page order meanwhile.
//
// Nothing anyone can see happens before the display step itself: its messages, update.dat and
// site.html stay its own, in their order. The plan (selection, layout, fix.dat) is made once,
// from the selection the cut is given, and the display step takes what was begun on it; a cut
// that fails drops what was begun. Whatever fails here is left for the display step to meet
// again and report.
#pragma once

#include "pipeline/DigestAssembly.h"
#include "pipeline/Rip.h"

#include <ctime>
#include <memory>
#include <vector>

namespace nimbrel {

class EarlyDisplay : public RipProgress {
  public:
    // `madeAt` is the digest's time; 0 for the time the cut finds the sites.
    explicit EarlyDisplay(unsigned workers = DisplayWorkerCount(), std::time_t madeAt = 0);

    void sitesFound(const msxml::XmlNodeList& sites) override;
    void siteDone(long index) override;

    // The assembly begun during the cut, every site released; nothing when none could begin.
    std::unique_ptr<DigestAssembly> take();
    // Drops what was begun (a cut that failed).
    void drop() { assembly_.reset(); }
    // The assembly being put together; null when none is.
    const DigestAssembly* assembly() const { return assembly_.get(); }

  private:
    void begin(const msxml::XmlNodeList& sites);

    unsigned workers_;
    std::time_t madeAt_;
    std::unique_ptr<DigestAssembly> assembly_;
    // For each site of the cut, the sites whose blocks may be made once it is done.
    std::vector<std::vector<size_t>> releasedBy_;
};

} // namespace nimbrel
