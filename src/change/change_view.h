#pragma once
// A printed view of a set of changes, for a person to read: for each page
// with a differing byte a heading with its file offset, then every 16-byte
// row (counted from the page start) that holds a change, old above new, in
// the hex dump's hexadecimal and character columns, the changed bytes marked.

#include <cstdio>
#include <string>

#include "change/changed_page.h"

namespace varnex {

class ChangeView final : public ChangeSink {
public:
    // colour=true: changed bytes coloured with ANSI escapes; colour=false:
    // plain text with a marker line (^^ under each changed byte) under each
    // new row. `output` is opened and closed by the caller.
    ChangeView(std::FILE* output, bool colour);
    bool Add(const ChangedPage& page) override;
    bool Finish() override;
    const char* LastError() const override;

private:
    bool WriteLine(const std::string& line);

    std::FILE* output_;
    bool colour_;
    std::string error_;
};

// Whether the view should be coloured on this stream: a terminal, and
// NO_COLOR unset or empty.
bool WantsColour(std::FILE* stream);

}  // namespace varnex
