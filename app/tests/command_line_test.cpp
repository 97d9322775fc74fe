#include "app/command_line.h"

#include <gtest/gtest.h>

namespace korval {
namespace {

TEST(CommandLine, ReadsTheOptionsInEitherForm) {
  auto r = ParseCommandLine({"--virtual-rig", "rig.json", "--log-file=log.txt"});
  ASSERT_TRUE(r.options);
  EXPECT_EQ(r.options->line.rigFile, "rig.json");
  EXPECT_EQ(r.options->logFile, "log.txt");
  EXPECT_FALSE(r.options->line.demo);

  r = ParseCommandLine({"--demo", "--log-file", "demo.log"});
  ASSERT_TRUE(r.options);
  EXPECT_TRUE(r.options->line.demo);
  EXPECT_EQ(r.options->logFile, "demo.log");

  r = ParseCommandLine({});
  ASSERT_TRUE(r.options);  // no option: the FTDI interface, exactly as without this parser
  EXPECT_FALSE(r.options->line.demo || r.options->line.rigFile || r.options->logFile);
  EXPECT_EQ(r.options->line.timing, RdmTiming::kClassic);

  r = ParseCommandLine({"--rdm-timing", "e120", "--demo"});
  ASSERT_TRUE(r.options);
  EXPECT_EQ(r.options->line.timing, RdmTiming::kE120);
  EXPECT_TRUE(r.options->line.demo);
  r = ParseCommandLine({"--rdm-timing=e120", "--rdm-timing=classic"});
  ASSERT_TRUE(r.options);
  EXPECT_EQ(r.options->line.timing, RdmTiming::kClassic);  // the last one counts

  EXPECT_TRUE(ParseCommandLine({"--help"}).options->help);
  EXPECT_TRUE(ParseCommandLine({"--version"}).options->version);
}

TEST(CommandLine, RefusesWhatItDoesNotKnowWithAClearMessage) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--bogus"}, "unknown option: --bogus"},
      {{"demo"}, "unknown option: demo"},
      {{"--virtual-rig"}, "--virtual-rig needs a rig file"},
      {{"--virtual-rig="}, "--virtual-rig needs a rig file"},
      {{"--log-file"}, "--log-file needs a file name"},
      {{"--log-file", "--demo"}, "--log-file needs a file name"},
      {{"--demo", "--virtual-rig", "x.json"}, "--demo and --virtual-rig exclude each other"},
      {{"--rdm-timing", "fast"}, "--rdm-timing: unknown mode \"fast\" (use classic or e120)"},
      {{"--rdm-timing="}, "--rdm-timing: unknown mode \"\" (use classic or e120)"},
      {{"--rdm-timing"}, "--rdm-timing needs a mode: classic or e120"},
      {{"--rdm-timing", "--demo"}, "--rdm-timing needs a mode: classic or e120"},
  };
  for (const auto& [arguments, error] : cases) {
    const auto r = ParseCommandLine(arguments);
    EXPECT_FALSE(r.options) << error;
    EXPECT_EQ(r.error, error);
  }
}

}  // namespace
}  // namespace korval
