// The HTML cleaner: a small cleaner object over libtidy. The display step creates one per run,
// obtains the option set afresh before each single write, and cleans a file into a text.
#pragma once

#include <tidy/tidy.h>

#include <memory>
#include <string>

namespace nimbrel::tidycom {

class TidyObject;

// The cleaner's option set; valid while its cleaner object lives.
class TidyOptions {
  public:
    void setSwitch(TidyOptionId option, bool on);            // a Boolean option
    void setValue(TidyOptionId option, unsigned long value); // a numeric option

  private:
    friend class TidyObject;
    explicit TidyOptions(TidyDoc doc) : doc_(doc) {}
    TidyDoc doc_;
};

// One cleaner serves one thread at a time; cleaners on several threads work side by side (each
// file is cleaned in a libtidy document of its own; the only state libtidy shares is a table of
// character classes that every new document fills again with the same values).
class TidyObject {
  public:
    // Raises nimbrel::Exception when the cleaner cannot be created
    // (see SetCleanerAvailableForTesting).
    static std::unique_ptr<TidyObject> Create();
    ~TidyObject();
    TidyObject(const TidyObject&) = delete;
    TidyObject& operator=(const TidyObject&) = delete;

    TidyOptions options();
    // Cleans the file at the full path and returns the cleaned text (UTF-8); a missing file
    // gives an empty text. Raises EInOutError when the file is there but cannot be read, and
    // nimbrel::Exception when the text is larger than limits::kCutTextBytes or the cleaner
    // fails on it. The cleaning runs on a thread with limits::kEngineStackBytes of stack (the
    // cleaner recurses once per element level; a page nested deeper than that holds is for the
    // worker process that runs it to survive).
    std::string cleanFile(const std::string& path);

  private:
    TidyObject();
    std::string cleanBytes(const std::string& bytes);
    TidyDoc doc_;
};

// The libtidy options behind the display step's settings, in the order it writes them:
// two switches on, one option set to 2, one to 8; and the per-site switch, off for pages of
// type "html" and on for every other type.
extern const TidyOptionId kFirstFixedSwitch;
extern const TidyOptionId kSecondFixedSwitch;
extern const TidyOptionId kOptionSetToTwo;
extern const TidyOptionId kOptionSetToEight;
extern const TidyOptionId kPerSiteSwitch;

// Sets the cleaner library up for the whole process; done by the first cleaner created, and
// called on the main thread before cleaners are created on other threads. Until a language is
// chosen, libtidy sets the whole process's locale from the environment each time it creates a
// document (which changes how every thread formats numbers, and is not safe while other threads
// run): the language is chosen here, so it never does.
void InitialiseCleaner();

// Tests make cleaner creation fail to reach the "cleaner missing" paths.
void SetCleanerAvailableForTesting(bool available);

} // namespace nimbrel::tidycom
