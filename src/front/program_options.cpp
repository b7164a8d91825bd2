#include "front/program_options.h"

#include <cstring>

#include "front/option_value.h"
#include "front/usage.h"
#include "output/message_text.h"

namespace varnex {
namespace {

// How the examination of one argument ends.
enum class Verdict { kGoOn, kRun, kStopQuietly, kRefuse };

bool IsTooLong(const char* argument) { return std::strlen(argument) > kMaxArgumentLength; }

Verdict RefuseLength(const char* argument) {
    WriteMessage("MIP0003E: An argument of %i characters exceeds the limit of 255 characters.",
                 static_cast<int>(std::strlen(argument)));
    return Verdict::kRefuse;
}

Verdict ExamineFileName(const char* argument, ProgramOptions& options) {
    if (IsTooLong(argument)) return RefuseLength(argument);
    std::memcpy(options.file_name, argument, std::strlen(argument) + 1);
    if (argument[0] != '-') return Verdict::kGoOn;
    if (argument[1] == '?') {
        PrintUsage();
        return Verdict::kStopQuietly;
    }
    WriteMessage("MIP0001E: the <filename> parameter is missing.");
    PrintUsage();
    return Verdict::kRefuse;
}

Verdict ExamineSwitch(const char* argument, ProgramOptions& options) {
    if (argument[0] != '-') return Verdict::kGoOn;
    if (IsTooLong(argument)) return RefuseLength(argument);
    switch (argument[1]) {
        case '?':
            PrintUsage();
            return Verdict::kStopQuietly;
        case 'P':
        case 'p':
            if (argument[2] != ':') {
                WriteMessage("MIP0004E: The Page Size (-P) flag '%s' is invalid.", argument);
                PrintUsage();
                options.run_flag = false;
                return Verdict::kRefuse;
            }
            options.page_size = ParseOptionValue(argument + 3);
            return Verdict::kGoOn;
        default:
            WriteMessage("MIP0002E: Invalid program switch '%s' has been ignored.", argument);
            return Verdict::kGoOn;
    }
}

Verdict CheckPageSize(const ProgramOptions& options) {
    if (options.page_size >= 1) return Verdict::kRun;
    WriteMessage("MIP0005E: The Page Size (-P) value %i is invalid; it must be at least 1.", options.page_size);
    return Verdict::kRefuse;
}

Verdict Examine(int argc, const char* const* argv, ProgramOptions& options) {
    if (argc < 2) {
        PrintUsage();
        return Verdict::kStopQuietly;
    }
    Verdict verdict = ExamineFileName(argv[1], options);
    for (int i = 2; verdict == Verdict::kGoOn && i < argc; ++i) verdict = ExamineSwitch(argv[i], options);
    return verdict == Verdict::kGoOn ? CheckPageSize(options) : verdict;
}

}  // namespace

bool ParseArguments(int argc, const char* const* argv, ProgramOptions& options) {
    options.run_flag = true;
    switch (Examine(argc, argv, options)) {
        case Verdict::kStopQuietly:
            options.run_flag = false;
            return true;
        case Verdict::kRefuse:
            return false;
        case Verdict::kGoOn:
        case Verdict::kRun:
            break;
    }
    return true;
}

}  // namespace varnex
