// What dayloom-cli says, byte for byte: the general help, each verb's help
// and the refusals of bad arguments, against the transcript in
// cli_texts.golden. The transcript was written by the command line as it
// stood before its verbs shared one option table, so a change of wording,
// order or exit status shows here as a difference.
//
// DAYLOOM_WRITE_CLI_TEXTS=1 writes the transcript anew instead of comparing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "events/safe_file.h"
#include "tests/support/builders.h"
#include "tools/cli_dispatch.h"

namespace {

using Args = std::vector<std::string>;

// None of these reaches a data folder: the refusals come before it is read.
const std::vector<Args> kCases = {
    {},
    {"--help"},
    {"-h"},
    {"agenda", "--help"},
    {"reminders", "-h"},
    {"--data", "x", "--help"},
    {"--date", "x", "--help"},
    {"agenda", "--help", "extra"},
    {"agenda", "--help", "--bogus"},
    {"import", "--help"},
    {"import", "-h"},
    {"import", "extra", "--help"},
    {"import-ics", "--help"},
    {"remove-imported", "--help"},
    {"good-days", "--help"},
    {"export-ics", "--help"},
    {"sync-setup", "--help"},
    {"sync", "--help"},
    {"sync-setup"},
    {"sync-setup", "https://dav.example.org/"},
    {"sync-setup", "https://dav.example.org/", "--user", "anna", "--every", "полчаса"},
    {"sync", "extra"},
    {"week"},
    {"--data", "x", "week"},
    {"-"},
    {"agenda", "--verbose"},
    {"agenda", "-x"},
    {"agenda", "--date"},
    {"agenda", "--now", "1", "--now=2"},
    {"agenda", "reminders"},
    {"reminders", "--date", "2010-10-11"},
    {"agenda", "--date", "2010-02-30"},
    {"agenda", "--date", "\x1B[2J"},
    {"agenda", "--now", "завтра"},
    {"agenda", "--data="},
    {"--bogus"},
    {"import"},
    {"import", "--bogus"},
    {"import", "--kind", "moon"},
    {"import", "--help=1"},
    {"import", "--months"},
    {"import", "--aspects", "a", "--months", "3"},
    {"import", "--void-of-course", "a", "--summer-time"},
    {"import", "a", "b"},
    {"import", "--aspects", "a", "b"},
    {"import", "--remind", "10", "a"},
    {"import", "--months", "3,13", "a"},
    {"import", "--summer-time", "--summer-time", "a"},
    {"import", "--now", "2010-10-11", "a"},
    {"import", "--data=", "a"},
    {"good-days", "--remove", "--no-kind-text"},
    {"good-days", "--birth-day", "0", "--year", "2010"},
    {"good-days", "--birth-day", "13"},
    {"good-days", "--year", "2010"},
    {"good-days", "--birth-day", "13", "--year", "1900"},
    {"good-days", "extra"},
    {"good-days", "--birth-day", "13", "--year", "2010", "--months", "0"},
    {"remove-imported", "--kind", "planets", "--year", "2010"},
    {"remove-imported", "--kind", "moon"},
    {"remove-imported", "--year", "2010"},
    {"remove-imported", "--kind", "moon", "--year", "+2010"},
    {"remove-imported", "x"},
    {"export-ics", "--from", "2010-13-01"},
    {"export-ics", "--from", "2010-02-01", "--to", "2010-01-01"},
    {"export-ics", "extra"},
    {"export-ics", "-o="},
    {"export-ics", "--now", "2010-10-11 09:00"},
    {"import-ics"},
    {"import-ics", "a", "b"},
    {"import-ics", "--data=", "a"},
    {"import-ics", "--months", "3", "a"},
};

// An argument as the transcript shows it: control characters as \xNN.
std::string Shown(const Args& args) {
    std::string line = "$ dayloom-cli";
    for (const std::string& a : args) {
        line += ' ';
        for (const char c : a) {
            if (static_cast<unsigned char>(c) < 0x20) {
                static const char hex[] = "0123456789ABCDEF";
                line += "\\x";
                line += hex[(c >> 4) & 0xF];
                line += hex[c & 0xF];
            } else {
                line += c;
            }
        }
    }
    return line + '\n';
}

struct Said {
    int rc;
    std::string out, err;
};

Said RunOnce(const Args& args) {
    std::istringstream in;
    std::ostringstream out, err;
    // A relative default folder reads the same on every system.
    const int rc = RunCli(args, in, out, err, "dayloom_data", At(2010, 3, 1, 12, 0));
    return {rc, out.str(), err.str()};
}

// The general help comes whole once; elsewhere an exact copy of it is
// written as a mark, and anything else in its place shows in full.
std::string Marked(std::string text, const std::string& general) {
    for (size_t at = text.find(general); at != std::string::npos; at = text.find(general, at + 1))
        text.replace(at, general.size(), "[the general help]\n");
    return text;
}

std::string Transcript(const Args& args, const std::string& general) {
    const Said s = RunOnce(args);
    return Shown(args) + "exit " + std::to_string(s.rc) + "\nstdout:\n" + Marked(s.out, general) + "stderr:\n" +
           Marked(s.err, general) + '\n';
}

TEST(CliTexts, AreTheSameBytesAsBefore) {
#ifndef DAYLOOM_HAS_SYNC
    GTEST_SKIP() << "the transcript is of a build with sync (libcurl and expat)";
#endif
    const std::string general = RunOnce({"--help"}).out;
    std::string all = Shown({"--help"}) + general + '\n';
    for (const Args& a : kCases) all += Transcript(a, general);
    if (std::getenv("DAYLOOM_WRITE_CLI_TEXTS")) {
        std::ofstream(DAYLOOM_CLI_TEXTS, std::ios::binary) << all;
        GTEST_SKIP() << "written " << DAYLOOM_CLI_TEXTS;
    }
    std::string golden;
    ASSERT_TRUE(ReadWholeFile(DAYLOOM_CLI_TEXTS, golden)) << DAYLOOM_CLI_TEXTS;
    for (const Args& a : kCases) {
        const std::string t = Transcript(a, general);
        EXPECT_NE(golden.find(t), std::string::npos) << t;
    }
    EXPECT_TRUE(all == golden) << "the transcript differs from " << DAYLOOM_CLI_TEXTS;
}

}  // namespace
