// What a start of the program asks of the windows: feed links to open in New Site, or (a later
// start with none) the main window in front.
#pragma once

#include <QStringList>

// Each address opens a New Site dialog of the selection window, filled in and found. The
// selection window is opened as Setup opens it, unless it is open already (its list then stays
// as the person left it).
void OpenFeedLinks(const QStringList& addresses);

// A later start on this folder: its feed links, or, with none, the main window in front.
void AnswerStartRequest(const QStringList& addresses);
