#include "app/DisplayStep.h"

#include "app/ComponentChecks.h"

namespace nimbrel {

DisplayReport RunDisplayStep(const std::string& selectionFileName, const DisplayContext& context) {
    DisplayReport report = TidyAndDisplay(selectionFileName, context);
    if (report.cleanerMissing)
        TidyError();
    return report;
}

} // namespace nimbrel
