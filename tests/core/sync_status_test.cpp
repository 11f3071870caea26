// What the tray tip and the setup window say of sync after a run of rounds,
// when a failure is told, and what keeps a setup from being saved.
#include <gtest/gtest.h>

#include <vector>

#include "sync/sync_status.h"
#include "tests/support/builders.h"

namespace {

SyncOutcome Done(SyncCounts c = {}, std::string problem = {}) { return {true, {}, c, std::move(problem)}; }
SyncOutcome Failed(std::string error) { return {false, std::move(error), {}, {}}; }

TEST(SyncStatus, TipAndStatusLineAfterARunOfRounds) {
    struct Round {
        TDateTime at;
        SyncOutcome outcome;
    };
    struct Case {
        const char* what;
        std::vector<Round> rounds;
        const char* tip;
        const char* status;
    };
    const TDateTime t1 = At(2026, 12, 8, 14, 5, 31), t2 = At(2026, 12, 8, 14, 20);
    const Case cases[] = {
        {"none yet", {}, "Синхронизация ещё не выполнялась", "Синхронизация ещё не выполнялась."},
        {"nothing to do", {{t1, Done()}}, "Синхронизация: 08.12.2026 14:05",
         "Последняя синхронизация: 08.12.2026 14:05 — изменений не было."},
        {"only what happened is named",
         {{t1, Done({2, 0, 1, 0, 0, 0})}},
         "Синхронизация: 08.12.2026 14:05",
         "Последняя синхронизация: 08.12.2026 14:05 — отправлено: 2, получено: 1."},
        {"every kind",
         {{t1, Done({1, 2, 3, 4, 5, 0})}},
         "Синхронизация: 08.12.2026 14:05",
         "Последняя синхронизация: 08.12.2026 14:05 — отправлено: 1, получено: 3, удалено на сервере: 2, "
         "удалено здесь: 4, конфликтов: 5 (обе версии сохранены)."},
        {"some events did not go",
         {{t1, Done({1, 0, 0, 0, 0, 2}, "сервер не принял событие (507)")}},
         "Синхронизация: 08.12.2026 14:05\nНе прошло событий: 2",
         "Последняя синхронизация: 08.12.2026 14:05 — отправлено: 1.\nНе прошло событий: 2 (сервер не принял "
         "событие (507)); они будут отправлены в следующий раз."},
        {"failed after one that went through: its time stays",
         {{t1, Done({1})}, {t2, Failed("сервер не принял имя пользователя или пароль")}},
         "Синхронизация: 08.12.2026 14:05\nОшибка (08.12.2026 14:20): сервер не принял имя пользователя или пароль",
         "Последняя синхронизация: 08.12.2026 14:05 — отправлено: 1.\nОшибка (08.12.2026 14:20): сервер не принял "
         "имя пользователя или пароль."},
        {"never went through",
         {{t2, Failed("нет ответа сервера: Couldn't connect to server")}},
         "Синхронизация ещё не выполнялась\nОшибка (08.12.2026 14:20): нет ответа сервера: Couldn't connect to server",
         "Синхронизация ещё не выполнялась.\nОшибка (08.12.2026 14:20): нет ответа сервера: Couldn't connect to "
         "server."},
        {"a failure without a reason still says so", {{t2, Failed("")}},
         "Синхронизация ещё не выполнялась\nОшибка (08.12.2026 14:20): причина неизвестна",
         "Синхронизация ещё не выполнялась.\nОшибка (08.12.2026 14:20): причина неизвестна."},
        {"a long reason is cut in the tip at a whole letter, whole in the window",
         {{t2, Failed("хранилище паролей системы недоступно или ответило ошибкой (Failed to execute child process)")}},
         "Синхронизация ещё не выполнялась\nОшибка (08.12.2026 14:20): хранилище паролей системы недоступно или "
         "ответило ошибкой (F…",
         "Синхронизация ещё не выполнялась.\nОшибка (08.12.2026 14:20): хранилище паролей системы недоступно или "
         "ответило ошибкой (Failed to execute child process)."},
        {"a round that goes through clears the error and the problems",
         {{t1, Done({0, 0, 0, 0, 0, 3}, "x")}, {t1, Failed("нет ответа")}, {t2, Done({0, 0, 1})}},
         "Синхронизация: 08.12.2026 14:20", "Последняя синхронизация: 08.12.2026 14:20 — получено: 1."},
    };
    for (const Case& c : cases) {
        SyncStatus s;
        for (const Round& r : c.rounds) s.Note(r.at, r.outcome);
        EXPECT_EQ(SyncTipText(s), c.tip) << c.what;
        EXPECT_EQ(SyncStatusText(s), c.status) << c.what;
    }
}

TEST(SyncStatus, AFailureIsToldOnceUntilARoundGoesThroughOrTheSettingsChange) {
    SyncStatus s;
    const TDateTime t = At(2026, 12, 8, 14, 0);
    EXPECT_TRUE(s.Note(t, Failed("нет ответа сервера")));
    EXPECT_FALSE(s.Note(t, Failed("нет ответа сервера")));
    EXPECT_FALSE(s.Note(t, Failed("сервер ответил 500")));  // another reason is still the same outage
    EXPECT_FALSE(s.Note(t, Done()));
    EXPECT_TRUE(s.Note(t, Failed("нет ответа сервера")));
    s.Restart();
    EXPECT_TRUE(s.Note(t, Failed("сервер не принял имя пользователя или пароль")));
    EXPECT_FALSE(s.Note(t, Failed("сервер не принял имя пользователя или пароль")));
    EXPECT_NE(SyncFailureNotice(s).find("не удалась: сервер не принял имя пользователя или пароль."),
              std::string::npos);
}

TEST(SyncStatus, ConflictsAreToldWithTheirCountAndNothingWhenThereWereNone) {
    EXPECT_EQ(SyncConflictNotice(0), "");
    EXPECT_EQ(SyncConflictNotice(-1), "");
    EXPECT_EQ(SyncConflictNotice(2).substr(0, SyncConflictNotice(2).find('\n')),
              "Событий, изменённых и здесь, и на сервере: 2.");
    EXPECT_NE(SyncConflictNotice(1).find("«(конфликт)»"), std::string::npos);
}

TEST(SyncStatus, WhatKeepsASetupFromBeingSaved) {
    struct Case {
        const char* url;
        const char* user;
        const char* calendar;
        const char* refusal;
        bool password;
        const char* problem;
    };
    const Case cases[] = {
        {"", "", "", "", false, ""},  // sync off
        {"", "anna", "", "", true, "Введите адрес сервера."},
        {"", "", "/anna/work/", "", true, "Введите адрес сервера."},
        {"http://example.org/", "anna", "/anna/work/",
         "адрес http:// без шифрования разрешён только для этого компьютера", true,
         "Адрес сервера не подходит: адрес http:// без шифрования разрешён только для этого компьютера."},
        {"https://example.org/", "", "/anna/work/", "", true, "Введите имя пользователя."},
        {"https://example.org/", "anna", "/anna/work/", "", false, "Введите пароль."},
        {"https://example.org/", "anna", "", "", true,
         "Выберите календарь: нажмите «Найти календари» и выберите его в списке."},
        {"https://example.org/", "anna", "/anna/work/", "", true, ""},
    };
    for (const Case& c : cases) {
        SyncSettings s;
        s.url = c.url, s.user = c.user, s.calendar = c.calendar;
        EXPECT_EQ(SyncSetupProblem(s, c.refusal, c.password), c.problem)
            << c.url << "|" << c.user << "|" << c.calendar << "|" << c.password;
    }
}

// After a restart the last round's time is known but not what it did; a
// round of this run tells both again.
TEST(SyncStatus, TheLastRoundOfAnEarlierRunShowsItsTimeOnly) {
    SyncStatus s;
    s.Remember(At(2026, 12, 7, 22, 40));
    EXPECT_EQ(SyncTipText(s), "Синхронизация: 07.12.2026 22:40");
    EXPECT_EQ(SyncStatusText(s), "Последняя синхронизация: 07.12.2026 22:40.");
    s.Note(At(2026, 12, 8, 9, 0), Done());
    EXPECT_EQ(SyncStatusText(s), "Последняя синхронизация: 08.12.2026 09:00 — изменений не было.");
}

TEST(SyncStatus, ThePasswordIsKeptPerServerAndUser) {
    SyncSettings a, b, c;
    a.url = b.url = "https://example.org/dav/";
    c.url = "https://example.net/dav/";
    a.user = c.user = "anna";
    b.user = "boris";
    EXPECT_EQ(SyncPasswordKey(a), "anna@https://example.org/dav/");
    EXPECT_NE(SyncPasswordKey(a), SyncPasswordKey(b));
    EXPECT_NE(SyncPasswordKey(a), SyncPasswordKey(c));
    a.calendar = "/anna/other/";  // another calendar of the same account: the same password
    EXPECT_EQ(SyncPasswordKey(a), "anna@https://example.org/dav/");
    // ... but not the same state: what was agreed with one calendar is not the other's.
    SyncSettings same = a;
    same.everyMinutes = 0;
    same.zetImports = true;
    EXPECT_TRUE(SameSyncCalendar(a, same));
    same.calendar = "/anna/home/";
    EXPECT_FALSE(SameSyncCalendar(a, same));
    EXPECT_FALSE(SameSyncCalendar(a, b));
}

}  // namespace
