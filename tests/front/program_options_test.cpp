#include "front/program_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/captured_output.h"

namespace varnex {
namespace {

using testing::CapturedOutput;

struct Outcome {
    bool parse_result;
    bool run_flag;
    std::int32_t page_size;
    std::string output;
};

Outcome Parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "varnex");
    std::vector<const char*> argv;
    for (const auto& a : arguments) argv.push_back(a.c_str());
    CapturedOutput output;
    ProgramOptions options;
    const bool result = ParseArguments(static_cast<int>(argv.size()), argv.data(), options);
    return {result, options.run_flag, options.page_size, output.Text()};
}

const std::string kUsageStart = "Usage:\n";

TEST(ProgramOptions, OutcomesOfTheCommandLine) {
    struct Case {
        std::vector<std::string> arguments;
        bool parse_result;
        bool run_flag;
        bool usage_shown;
    } cases[] = {
        {{}, true, false, true},
        {{"-?"}, true, false, true},
        {{"-?extra"}, true, false, true},
        {{"-x"}, false, true, true},
        {{"f", "-?"}, true, false, true},
        {{"f", "-P512"}, false, false, true},
        {{"f", "-P:0", "-?"}, true, false, true},
        {{"f", "-P:0"}, false, true, false},
        {{"f", "-O:100", "other"}, true, true, false},
        {{std::string(256, 'a')}, false, true, false},
        {{std::string(255, 'a')}, true, true, false},
        {{"f", "-?" + std::string(300, 'x')}, false, true, false},
        {{"f", std::string(300, 'x')}, true, true, false},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Parse(c.arguments);
        const std::string first = c.arguments.empty() ? "" : c.arguments[0].substr(0, 10);
        EXPECT_EQ(outcome.parse_result, c.parse_result) << first;
        EXPECT_EQ(outcome.run_flag, c.run_flag) << first;
        EXPECT_EQ(outcome.output.find(kUsageStart) != std::string::npos, c.usage_shown) << first;
    }
}

TEST(ProgramOptions, MessagesNameTheArgumentsInOrder) {
    const Outcome outcome = Parse({"f", "-O:100", "-N:2", "-P:8K", "-p:0x200"});
    EXPECT_TRUE(outcome.parse_result);
    EXPECT_EQ(outcome.page_size, 0x200);  // the last -P wins
    EXPECT_EQ(outcome.output,
              "MIP0002E: Invalid program switch '-O:100' has been ignored.\n"
              "MIP0002E: Invalid program switch '-N:2' has been ignored.\n");
}

TEST(ProgramOptions, RefusalsSayWhy) {
    EXPECT_EQ(Parse({"-x"}).output.substr(0, 48), "MIP0001E: the <filename> parameter is missing.\nU");
    EXPECT_EQ(Parse({"f", "-P512"}).output.substr(0, 61), "MIP0004E: The Page Size (-P) flag '-P512' is invalid.\nUsage:\n");
    EXPECT_EQ(Parse({"f", "-P:-3"}).output,
              "MIP0005E: The Page Size (-P) value -3 is invalid; it must be at least 1.\n");
    EXPECT_EQ(Parse({"f", "-" + std::string(299, 'x')}).output,
              "MIP0003E: An argument of 300 characters exceeds the limit of 255 characters.\n");
}

}  // namespace
}  // namespace varnex
