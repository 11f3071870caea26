#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/cli_command.h"
#include "tools/cli_dispatch.h"

namespace {

using Args = std::vector<std::string>;

constexpr CliOption kOptions[] = {
    {"--data", "КАТАЛОГ", ""},
    {"--months", "СПИСОК", ""},
    {"--remove", "", ""},
};

struct Read {
    bool ok = false, help = false;
    std::string error;
    CliArgs args;
};

Read ReadOf(const Args& args) {
    Read r;
    const auto a = ReadCliArgs(args, kOptions, r.help, r.error);
    r.ok = a.has_value();
    if (a) r.args = *a;
    return r;
}

TEST(CliCommand, OptionsAreReadInOrderAndHelpEndsTheReading) {
    const Read r = ReadOf({"a", "--data", "--help", "--months=1,2", "-", "--remove", "b"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(r.help);  // a value, though it looks like an option
    EXPECT_EQ(*r.args.Value("--data"), "--help");
    EXPECT_EQ(*r.args.Value("--months"), "1,2");
    EXPECT_TRUE(r.args.Flag("--remove"));
    EXPECT_EQ(r.args.positional, (Args{"a", "-", "b"}));  // "-" is standard input
    EXPECT_EQ(ReadOf({"--data="}).args.Value("--data")->size(), 0u);

    for (const Args& args : {Args{"--help", "--bogus"}, Args{"x", "-h", "--data"}, Args{"--remove", "--help", "--remove"}}) {
        const Read h = ReadOf(args);
        EXPECT_TRUE(h.ok && h.help) << args[0] << ' ' << h.error;
    }

    struct Case { Args args; const char* error; };
    for (const Case& c : {Case{{"--bogus"}, "неизвестный параметр --bogus"},
                          Case{{"--help=1"}, "неизвестный параметр --help"},
                          Case{{"--remove=yes"}, "неизвестный параметр --remove"},  // a flag takes no value
                          Case{{"--dat", "x"}, "неизвестный параметр --dat"},       // no abbreviations
                          Case{{"--remove", "--remove"}, "параметр --remove указан дважды"},
                          Case{{"--data=a", "--data", "b"}, "параметр --data указан дважды"},
                          Case{{"--months"}, "у параметра --months нет значения"},
                          Case{{"--bogus", "--help"}, "неизвестный параметр --bogus"}}) {
        const Read r = ReadOf(c.args);
        EXPECT_FALSE(r.ok) << c.error;
        EXPECT_EQ(r.error, c.error);
    }
}

// The table is what the parser and the help are built from: a slip in it
// would mislead both without failing any one verb's test.
TEST(CliCommand, EveryOptionIsNamedInItsHelpAndMeansOneThingEverywhere) {
    std::set<std::string_view> verbs;
    std::ostringstream general;
    PrintGeneralHelp(general, CliVerbs(), "dayloom_data");
    for (const CliVerb* v : CliVerbs()) {
        EXPECT_TRUE(verbs.insert(v->name).second) << v->name;
        std::ostringstream help;
        if (v->group == CliGroup::Reading) help << general.str();
        else PrintVerbHelp(help, *v);
        EXPECT_NE(general.str().find("dayloom-cli " + std::string(v->name) + " "), std::string::npos) << v->name;
        std::set<std::string_view> names;
        for (const CliOption& o : v->options) {
            EXPECT_TRUE(names.insert(o.name).second) << v->name << ' ' << o.name;
            EXPECT_TRUE(o.name.size() > 1 && o.name[0] == '-' && o.name != "--help" && o.name != "-h") << o.name;
            EXPECT_NE(help.str().find(o.name), std::string::npos) << v->name << " does not tell of " << o.name;
            // Before the verb is found, an option's value is skipped by the
            // name alone: it must take a value in every verb or in none.
            for (const CliVerb* w : CliVerbs())
                for (const CliOption& p : w->options)
                    if (p.name == o.name) {
                        EXPECT_EQ(p.TakesValue(), o.TakesValue()) << o.name;
                    }
        }
    }
}

TEST(CliCommand, AVerbIsFoundPastOptionValuesAndAStrangeOneIsShownSafely) {
    std::istringstream in;
    std::ostringstream out, err;
    auto run = [&](const Args& args) {
        out.str({});
        err.str({});
        return RunCli(args, in, out, err, "dayloom_data", 0);
    };
    // Without a verb any verb's option is known: the missing verb is the message.
    for (const Args& args : {Args{"--months", "3"}, Args{"--kind", "agenda"}, Args{"--data", "x"}}) {
        EXPECT_EQ(run(args), 1);
        EXPECT_EQ(err.str().rfind("dayloom-cli: не указана команда\nИспользование:\n", 0), 0u) << err.str();
        EXPECT_NE(err.str().find("Команды, которые записывают файл событий"), std::string::npos);
    }
    EXPECT_EQ(run({"\x1B]0;x\x07"}), 1);
    EXPECT_EQ(err.str().rfind("dayloom-cli: неизвестная команда «\\x1B]0;x\\x07»\nИспользование:\n", 0), 0u) << err.str();
    // The whole usage after a strange verb, --help or not; before it, help
    // is help and a slip is named first.
    EXPECT_EQ(run({"week", "--help"}), 1);
    EXPECT_NE(err.str().find("Команды, которые записывают файл событий"), std::string::npos);
    EXPECT_EQ(run({"--help", "week"}), 0);
    EXPECT_EQ(out.str().rfind("Использование:\n", 0), 0u);
    EXPECT_EQ(run({"--bogus", "week"}), 1);
    EXPECT_EQ(err.str(), "dayloom-cli: неизвестный параметр --bogus\n(справка: dayloom-cli --help)\n");
    EXPECT_EQ(run({""}), 1);
    EXPECT_NE(err.str().find("Команды, которые записывают файл событий"), std::string::npos);
}

}  // namespace
