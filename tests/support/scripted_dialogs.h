// The drawing window's dialogs answered from a script, every question
// recorded in order ("save as SUGGESTED", "overwrite PATH", "unsaved NAME").
// Needs gradix_drawing (Qt).
#pragma once

#include <QString>
#include <QStringList>
#include <deque>

#include "drawing/drawingwindow.h"

namespace gradix::testing {

struct ScriptedDrawingDialogs : DrawingDialogs {
    std::deque<QString> savePaths;   // answers of the save dialog; none left is cancelled
    bool overwriteOriginal = false;  // the answer about saving over the opened file
    std::deque<Unsaved> unsaved;     // answers about unsaved changes; none left is Cancel
    QStringList asked;
    QString suggested;               // the name the last save dialog suggested
    QStringList errors;              // "TEXT DETAIL"
    QStringList notes;

    QString openPath(QWidget*) override { return {}; }
    QString savePath(QWidget*, const QString& name) override {
        asked << "save as " + name;
        suggested = name;
        if (savePaths.empty()) return {};
        const QString p = savePaths.front();
        savePaths.pop_front();
        return p;
    }
    bool confirmOverwriteOriginal(QWidget*, const QString& path) override {
        asked << "overwrite " + path;
        return overwriteOriginal;
    }
    Unsaved askUnsaved(QWidget*, const QString& name) override {
        asked << "unsaved " + name;
        if (unsaved.empty()) return Unsaved::Cancel;
        const Unsaved answer = unsaved.front();
        unsaved.pop_front();
        return answer;
    }
    void showError(QWidget*, const QString& text, const QString& detail) override { errors << text + " " + detail; }
    void showNotes(QWidget*, const QStringList& n) override { notes << n; }
};

}  // namespace gradix::testing
