// One running copy per data folder: a second start brings the first forward.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

#include "app/single_instance.h"

namespace {

TEST(SingleInstance, SecondStartOnTheSameFolderWakesTheFirst) {
    QTemporaryDir a, b;
    const std::filesystem::path dirA = a.path().toStdString(), dirB = b.path().toStdString();
    TSingleInstance first(dirA);
    ASSERT_TRUE(first.Acquire());
    QSignalSpy woken(&first, &TSingleInstance::Activate);

    TSingleInstance second(dirA);
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(woken.wait(2000));

    TSingleInstance elsewhere(dirB);  // another folder is another program
    EXPECT_TRUE(elsewhere.Acquire());
    EXPECT_NE(TSingleInstance::ServerName(dirA), TSingleInstance::ServerName(dirB));
    EXPECT_EQ(TSingleInstance::ServerName(dirA), TSingleInstance::ServerName(dirA / "." / ""));
}

TEST(SingleInstance, LockOfACrashedRunIsTakenOver) {
    QTemporaryDir tmp;
    const std::filesystem::path dir = tmp.path().toStdString();
    // The lock of a process that no longer exists.
    std::ofstream(dir / "dayloom.lock") << "2147483000\ndayloom\n" << QSysInfo::machineHostName().toStdString() << "\n";
    TSingleInstance instance(dir);
    EXPECT_TRUE(instance.Acquire());
}

}  // namespace
