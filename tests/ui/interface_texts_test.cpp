// The program's own texts in every window are Russian: Latin letters only in
// names (ZET, iCalendar, HTML, http, the program's name). Texts of the user's data
// (events, theme files, pasted text) are not the interface and are not read.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QTableWidget>

#include "dayview/form_alert.h"
#include "events/todo_edit_dlg.h"
#include "import/form_jmd.h"
#include "import/form_sun_day.h"
#include "settings/color_dlg.h"
#include "tests/ui/main_window.h"

namespace {

// The texts a window shows of its own: captions, labels, buttons, items, hints.
QStringList OwnTexts(const QWidget* window) {
    QStringList texts{window->windowTitle()};
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        texts << w->toolTip();
        if (const auto* l = qobject_cast<const QLabel*>(w)) texts << l->text();
        if (const auto* b = qobject_cast<const QAbstractButton*>(w)) texts << b->text();
        if (const auto* g = qobject_cast<const QGroupBox*>(w)) texts << g->title();
        if (const auto* c = qobject_cast<const QComboBox*>(w); c && !c->isEditable())
            for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
        if (const auto* l = qobject_cast<const QListWidget*>(w))
            for (int i = 0; i < l->count(); ++i) texts << l->item(i)->text();
        if (const auto* t = qobject_cast<const QTableWidget*>(w))
            for (int c = 0; c < t->columnCount(); ++c) texts << t->horizontalHeaderItem(c)->text();
    }
    for (const QAction* a : window->findChildren<QAction*>()) texts << a->text() << a->toolTip();
    return texts;
}

TEST_F(MainWindowTest, EveryWindowSpeaksRussianAndSpellsItRight) {
    Start();
    const std::pair<const char*, const QWidget*> windows[] = {
        {"main", form.get()},           {"preferences", Part<TColorDlg>("ColorDlg")}, {"editor", Part<TToDoEditDlg>("ToDoEditDlg")},
        {"alert", AlertWindow()}, {"ZET", Part<TFormJMD>("FormJMD")},        {"favourable days", Part<TFormSunDay>("FormSunDay")}};
    const QRegularExpression names(QStringLiteral("ZET|iCalendar|HTML|https?|[Dd]ayloom|Windows"));
    const QRegularExpression latin(QStringLiteral("[A-Za-z]+"));
    for (const auto& [name, window] : windows) {
        for (QString text : OwnTexts(window)) {
            const QString shown = text;
            text.remove(names);
            EXPECT_FALSE(text.contains(latin)) << name << ": " << shown.toStdString();
            for (const char* misspelt : {"Вставте", "Актульн", "Выбирите"})
                EXPECT_FALSE(shown.contains(QString::fromUtf8(misspelt))) << name << ": " << shown.toStdString();
        }
    }
}

}  // namespace
