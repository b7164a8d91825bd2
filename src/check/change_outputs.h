#pragma once
// What a dry run gives besides its log: the change view (--changes), which
// prints each page the run would write, and the undo stream (--undo), which
// takes every such page back.

#include <cstdio>
#include <string>

#include "check/check_options.h"
#include "dryrun/overlay_file_system.h"

namespace varnex {

// Whether the undo stream may be written where --undo says: never over the
// file of the dry run nor over a stream being read (standard input among
// them), whatever name leads there. false, with the reason in `error`, when
// it may not. Asked before anything runs.
bool UndoFileAllowed(const CheckOptions& options, std::string& error);

// After the dry run over `files`: prints the change view on `view_output`
// when asked (not under --quiet), coloured as --color says (by default when
// that is a terminal that takes colours), and writes the undo stream when
// asked, whole or not at all where it is a regular file (see WholeFile).
// false, with the reason in `error`, when either could not be written; no
// undo file is then left.
bool WriteChangeOutputs(const CheckOptions& options, const OverlayFileSystem& files, std::FILE* view_output,
                        std::string& error);

}  // namespace varnex
