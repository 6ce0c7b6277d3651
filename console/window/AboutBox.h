// The console's "About" entry: the last entry of the log's context menu,
// which shows the program's name, version and licence in a box of its own,
// so that neither the window's stored layout nor its title changes.
#pragma once

#include <QMenu>
#include <QPlainTextEdit>
#include <QString>

#include <functional>

// The log's own context menu (copy, select all, ...), then a separator, the
// entries `addEntries` adds, and "About dispenser-console", which shows
// AboutText over the log's window.
void AddAboutEntry(QPlainTextEdit& log, std::function<void(QMenu&)> addEntries = {});

// The program's name and version, what it is, the Qt it runs on, its licence.
QString AboutText();
