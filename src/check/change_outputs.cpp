#include "check/change_outputs.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "change/change_view.h"
#include "change/stream_writer.h"
#include "dryrun/dry_run_changes.h"
#include "change/whole_file.h"
#include "platform/output_replacement.h"
#include "platform/standard_input_file.h"

#ifndef VARNEX_VERSION
#error "VARNEX_VERSION must be defined by the build"
#endif

namespace varnex {
namespace {

bool SameName(const char* first, const std::string& second) { return second == first || IsSameFile(first, second.c_str()); }

bool Refuse(const char* undo, const std::string& what, std::string& error) {
    error = "will not write the undo stream over ";
    error += what;
    error += " (--undo ";
    error += undo;
    error += ")";
    return false;
}

StreamWriterOptions UndoStreamOptions(const CheckOptions& options, std::uint32_t page_size) {
    StreamWriterOptions writer;
    writer.page_size = page_size;
    std::string line = "varnex-check ";
    line += VARNEX_VERSION;
    line += " --undo: takes back what the dry run of these streams would write";
    writer.made_by.push_back(line);
    writer.made_by.push_back(std::string("file: ") + options.dry_run_file);
    for (const std::string& stream : options.streams) {
        writer.made_by.push_back("stream: " + (stream == kStandardInputName ? std::string("<stdin>") : stream));
    }
    return writer;
}

// Names the output that failed, if one did; a failed read is already named.
void NameTheOutput(const ChangeSink* view, const ChangeSink* undo, const char* undo_name, std::string& error) {
    std::string named;
    if (view != nullptr && *view->LastError() != '\0') {
        named = "cannot print the changes: ";
    } else if (undo != nullptr && *undo->LastError() != '\0') {
        named = "cannot write the undo stream to ";
        named += undo_name;
        named += ": ";
    }
    error.insert(0, named);
}

}  // namespace

bool UndoFileAllowed(const CheckOptions& options, std::string& error) {
    const char* undo = options.undo_file;
    if (undo == nullptr) return true;
    if (options.dry_run_file != nullptr && SameName(undo, options.dry_run_file)) {
        return Refuse(undo, std::string(options.dry_run_file) + ", the file of the dry run", error);
    }
    for (const std::string& stream : options.streams) {
        const bool input = stream == kStandardInputName;
        if (input ? IsStandardInput(undo) : SameName(undo, stream)) {
            return Refuse(undo, (input ? std::string("standard input") : stream) + ", a stream being read", error);
        }
    }
    return true;
}

bool WriteChangeOutputs(const CheckOptions& options, const OverlayFileSystem& files, std::FILE* view_output,
                        std::string& error) {
    std::vector<ChangeSink*> sinks;
    std::optional<ChangeView> view;
    if (options.show_changes && !options.quiet) {
        sinks.push_back(&view.emplace(view_output, ColoursWanted(options.colour, view_output)));
    }
    const char* undo_name = options.undo_file != nullptr ? options.undo_file : "";
    WholeFile undo_file(undo_name);
    std::optional<StreamWriter> writer;
    std::optional<TakenBack> taken_back;
    const std::uint32_t page_size = ChangePageSize(files, options.page_size);
    if (options.undo_file != nullptr) {
        if (!undo_file.Open(error)) return false;
        writer.emplace(undo_file.Output(), UndoStreamOptions(options, page_size));
        sinks.push_back(&taken_back.emplace(*writer));
    }
    if (!PassChanges(options.dry_run_file, files, page_size, sinks, error)) {
        NameTheOutput(view ? &*view : nullptr, writer ? &*writer : nullptr, undo_name, error);
        return false;
    }
    return options.undo_file == nullptr || undo_file.Commit(error);
}

}  // namespace varnex
