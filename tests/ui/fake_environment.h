#pragma once
// The whole program in a temporary folder, with a fixed clock, a fixed screen
// and scripted dialogs: tests hand a function that plays the user.
#include <QDialog>
#include <QStringList>

#include <functional>

#include "app/environment.h"

class FakeEnvironment : public Environment {
public:
    std::filesystem::path dir;
    TDateTime now = EncodeDateTime(2010, 10, 11, 9, 0);
    QStringList messages, questions;
    int retriesWanted = 0;
    // Plays the user in a modal dialog; without it every dialog is cancelled.
    std::function<int(QDialog&)> modal;
    int modalRuns = 0;

    std::filesystem::path ExeDir() const override { return dir; }
    TDateTime Now() const override { return now; }
    int RunModal(QDialog& dialog) override {
        ++modalRuns;
        return modal ? modal(dialog) : QDialog::Rejected;
    }
    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
    bool AskRetry(QWidget*, const QString& text) override {
        questions << text;
        return retriesWanted-- > 0;
    }
    QRect WorkArea() const override { return {0, 0, 1280, 984}; }
    QSize ScreenSize() const override { return {1280, 1024}; }
    DayListFormats Formats() const override { return {}; }
};
