// Snoozed reminders: kept in the order of their moments, taken when due, and
// read back from their file exactly, whatever else the file holds.
#include <gtest/gtest.h>

#include <clocale>

#include "dayview/snooze.h"
#include "events/ansi.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace {

SnoozedReminder Snooze(TDateTime moment, const char* name) {
    return {moment, ansi(name) + " [10:00:00]", Day(2010, 10, 11), At(2010, 10, 11, 10, 0), ansi(name)};
}

TEST(SnoozeList, TakesWhatIsDueInOrder) {
    SnoozeList list;
    list.Add(Snooze(At(2010, 10, 11, 11, 0), "Позже"));
    list.Add(Snooze(At(2010, 10, 11, 10, 5), "Раньше"));
    list.Add(Snooze(At(2010, 10, 12, 10, 0), "Завтра"));
    EXPECT_TRUE(list.TakeDue(At(2010, 10, 11, 10, 4)).empty());
    const auto due = list.TakeDue(At(2010, 10, 11, 11, 0));
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(utf8(due[0].subject), "Раньше");
    EXPECT_EQ(utf8(due[1].subject), "Позже");
    EXPECT_EQ(list.Items().size(), 1u);
}

TEST(SnoozeList, FileRoundTripAndDamagedLines) {
    TempFolder folder;
    SnoozeList list;
    SnoozedReminder odd = Snooze(At(2010, 10, 11, 10, 5) + 1e-9, "Таб\tи\r\nстрока");
    list.Add(odd);
    list.Add(Snooze(At(2010, 10, 12, 10, 0), "Врач"));
    ASSERT_TRUE(list.Save(SnoozeFileIn(folder.path())).ok);
    const SnoozeList back = SnoozeList::Load(SnoozeFileIn(folder.path()));
    ASSERT_EQ(back.Items().size(), 2u);
    EXPECT_EQ(back.Items()[0].moment, odd.moment);  // to the last bit
    EXPECT_EQ(back.Items()[0].subject, odd.subject);
    EXPECT_EQ(back.Items()[0].text, odd.text);
    EXPECT_EQ(back.Items()[0].creationDate, odd.creationDate);
    EXPECT_EQ(back.Items()[0].occurrenceDay, odd.occurrenceDay);

    // Numbers are written and read the same under a locale with a decimal
    // comma (the window's) as under the C one (dayloom-cli's).
    const std::string c = list.Text();
    EXPECT_NE(c.find("\n40463.416666666664\t"), std::string::npos) << c;
    for (const char* name : {"ru_RU.UTF-8", "de_DE.UTF-8", "C.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name)) {
            EXPECT_EQ(list.Text(), c) << name;
            EXPECT_EQ(SnoozeList::Parse(c).Items().size(), 2u) << name;
        }
    std::setlocale(LC_NUMERIC, "C");

    // A damaged line goes, the others stay; a file that is not ours gives nothing.
    std::string text = list.Text();
    text.insert(text.find('\n') + 1, "40462.5\tnan\t1\tzz\t00\nnonsense\n\n");
    EXPECT_EQ(SnoozeList::Parse(text).Items().size(), 2u);
    EXPECT_TRUE(SnoozeList::Parse("something else\n" + text).Empty());
    EXPECT_TRUE(SnoozeList::Load(folder.path() / "missing").Empty());
}

}  // namespace
