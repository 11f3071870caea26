#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "events/ansi.h"
#include "events/event_file.h"

namespace {

std::string Hex(std::string_view hex) {
    std::string out;
    unsigned v = 0;
    int digits = 0;
    for (char c : hex) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) continue;
        v = v * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10);
        if (++digits == 2) { out += static_cast<char>(v); v = 0; digits = 0; }
    }
    return out;
}

const std::string kExample = Hex(
    "01 00 00 00 0f 00 00 00 01 01 00 00 02 01 00 00 03 08 00 00 00 00 00 00 00 00 00"
    " 04 08 00 ab aa aa aa cc c1 e3 40 05 08 00 00 00 00 00 00 00 00 00 06 04 00 01 00 00 00"
    " 07 02 00 0d 0a 08 01 00 00 09 01 00 30 0a 01 00 00 0b 04 00 d2 e5 f1 f2"
    " 0c 04 00 00 00 00 00 0d 04 00 00 00 00 00 0e 01 00 30 0f 01 00 30");

TEST(EventFile, ExampleReadsAndWritesBackIdentically) {
    ASSERT_EQ(kExample.size(), 102u);
    TodoItems items;
    const LoadReport rep = LoadFromBytes(kExample, items);
    EXPECT_EQ(rep.status, LoadReport::Status::Ok);
    ASSERT_EQ(items.Count(), 1);
    const TTodoItem& it = items[0];
    EXPECT_EQ(it.Subject, ansi("Тест"));
    EXPECT_EQ(it.CreationDate, EncodeDateTime(2010, 10, 11, 9, 30));
    EXPECT_EQ(it.ImageIndex, 1);
    ASSERT_EQ(it.Notes.size(), 1u);
    EXPECT_EQ(it.Notes[0], "");
    EXPECT_EQ(it.Category, "0");
    EXPECT_EQ(SaveToBytes(items), kExample);
}

TEST(EventFile, FieldsInAnyOrderRepeatedAndUnknown) {
    // Two records: F = 0 (all defaults), then name twice (last wins), an
    // unknown field 16 with 5 bytes, and notes in the middle.
    const std::string data = Hex(
        "02 00 00 00  00 00 00 00"
        " 05 00 00 00  0b 01 00 41  10 05 00 01 02 03 04 05  07 06 00 61 0d 0a 62 0d 0a"
        " 0b 02 00 42 43  06 04 00 03 00 00 00");
    TodoItems items;
    const LoadReport rep = LoadFromBytes(data, items);
    EXPECT_EQ(rep.status, LoadReport::Status::Ok) << rep.problem;
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items[0].ImageIndex, -1);
    EXPECT_TRUE(items[0].Subject.empty());
    EXPECT_EQ(items[1].Subject, "BC");
    EXPECT_EQ(items[1].ImageIndex, 3);
    EXPECT_EQ(items[1].Notes, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(items[1].NotesText(), "a\r\nb\r\n");
}

TEST(EventFile, EmptyStoreIsFourBytes) {
    TodoItems items;
    EXPECT_EQ(SaveToBytes(items), Hex("00 00 00 00"));
    items.Add();
    EXPECT_EQ(LoadFromBytes(Hex("00 00 00 00"), items).status, LoadReport::Status::Ok);
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(LoadFromBytes("", items).status, LoadReport::Status::Ok);
}

TEST(EventFile, DamagedFilesLoadWhatIsCompleteAndSayWhy) {
    const std::string rec = kExample.substr(4);
    struct Case {
        const char* name;
        std::string data;
        int loaded;
    };
    const Case cases[] = {
        {"short header", Hex("01 00"), 0},
        {"negative N", Hex("ff ff ff ff") + rec, 0},
        {"huge N", Hex("ff ff ff 7f") + rec, 1},
        {"ends inside the second record", Hex("02 00 00 00") + rec + rec.substr(0, 40), 1},
        {"negative F", Hex("01 00 00 00 ff ff ff ff"), 0},
        {"implausible F", Hex("01 00 00 00 ff ff ff 00 01 01 00 00"), 0},
        {"text longer than the file", Hex("01 00 00 00 01 00 00 00 0b ff ff 41"), 0},
        {"trailing bytes", kExample + "xyz", 1},
    };
    for (const Case& c : cases) {
        TodoItems items;
        const LoadReport rep = LoadFromBytes(c.data, items);
        EXPECT_TRUE(rep.damaged()) << c.name;
        EXPECT_FALSE(rep.problem.empty()) << c.name;
        EXPECT_EQ(items.Count(), c.loaded) << c.name;
    }
}

TEST(EventFile, FixedFieldWithWrongLengthIsReadAtItsSizeAndFlagged) {
    // ImageIndex announced with L = 2 but written with its 4 bytes.
    const std::string data = Hex("01 00 00 00 02 00 00 00 06 02 00 07 00 00 00 0b 01 00 41");
    TodoItems items;
    const LoadReport rep = LoadFromBytes(data, items);
    EXPECT_TRUE(rep.damaged());
    ASSERT_EQ(items.Count(), 1);
    EXPECT_EQ(items[0].ImageIndex, 7);
    EXPECT_EQ(items[0].Subject, "A");
}

TEST(EventFile, LongTextsAreCutSoLengthsMatch) {
    TodoItems items;
    TTodoItem& it = items.Add();
    it.Subject = std::string(65535, 'x');
    it.Category = std::string(70000, 'y');
    it.SetNotesText(std::string(40000, 'n') + "\r\n" + std::string(40000, 'm'));
    const std::string bytes = SaveToBytes(items);
    TodoItems back;
    const LoadReport rep = LoadFromBytes(bytes, back);
    ASSERT_EQ(rep.status, LoadReport::Status::Ok) << rep.problem;
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back[0].Subject.size(), 65535u);
    EXPECT_EQ(back[0].Category.size(), 65535u);
    EXPECT_EQ(back[0].NotesText().size(), 65535u + 2);  // the cut last line gains its CR LF back
    EXPECT_EQ(back[0].Notes[0].size(), 40000u);
}

TEST(EventFile, SaveIsAtomicAndRoundTripsThroughDisk) {
    const auto dir = std::filesystem::temp_directory_path() / "dayloom_event_file_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto path = dir / "ListToDo.db";
    {
        std::ofstream(path, std::ios::binary) << "old";
    }
    TodoItems items;
    ASSERT_EQ(LoadFromBytes(kExample, items).status, LoadReport::Status::Ok);
    const WriteResult w = SaveToFile(path, items, false);
    ASSERT_TRUE(w.ok) << w.error;
    std::string disk;
    ASSERT_TRUE(ReadWholeFile(path, disk));
    EXPECT_EQ(disk, kExample);
    int files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 1);  // no temporary left behind

    // A folder that cannot be written fails visibly and leaves the old file.
    const WriteResult bad = SaveToFile(dir / "missing" / "ListToDo.db", items, false);
    EXPECT_FALSE(bad.ok);
    EXPECT_FALSE(bad.error.empty());
    EXPECT_EQ(LoadFromFile(dir / "nothing.db", items).status, LoadReport::Status::Missing);
    std::filesystem::remove_all(dir);
}

}  // namespace
