// site.html as it is written: the layout and the blocks streamed in page order into an atomic
// file, so the page is never held whole. The declarations the transforms put at the head of
// their output are removed wherever they stand, also when one is split between two writes, and
// the page ends with one line end. Nothing is visible at the target before commit().
#pragma once

#include "platform/AtomicFile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nimbrel {

class DigestPage {
  public:
    // Creates the temporary file beside the target; raises EInOutError.
    explicit DigestPage(std::string target);

    // Appends page text. Raises EInOutError (for instance "Disk full").
    void write(std::string_view text);

    ~DigestPage();
    DigestPage(const DigestPage&) = delete;
    DigestPage& operator=(const DigestPage&) = delete;

    // A place in the page to come back to: rewind() drops what was written after it.
    struct Mark {
        uint64_t offset = 0;
        std::string held;
        bool later = false; // in the text that follows the place for a later text
    };
    Mark mark() const;
    void rewind(const Mark& mark);

    // The place for a text known only later (a line that sums up the blocks after it): what is
    // written from now on waits in an unnamed scratch file beside the target until fill() writes
    // the text and then it. One such place per page. Raises EInOutError.
    void reserve();
    // Raises EInOutError; the page is then abandoned.
    void fill(std::string_view text);

    // Ends the page with CR LF and brings it to disk, so commit() has little left to do; nothing
    // may be written after it. Raises EInOutError.
    void close();
    // Ends the page (close() unless done) and puts it in place of the target; raises
    // EInOutError, and the target then keeps its old content.
    void commit();

  private:
    void writeRaw(std::string_view text);
    void appendLater();

    AtomicFile file_;
    bool closed_ = false;
    int later_ = -1; // the scratch file of the text after the reserved place, while it waits
    uint64_t laterSize_ = 0;
    // The end of the text written so far when it may be the start of a declaration; it is held
    // back until the next write shows whether it is.
    std::string held_;
};

} // namespace nimbrel
