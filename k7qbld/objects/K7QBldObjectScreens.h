#pragma once

#include <QString>
#include <functional>

struct CK7QBldContext;
class CMainFrame;
class QWidget;

// Screenshots of the campaign page and of each page of the page-object
// sheet, with an example filled in and an image of the profile previewed.
// Nothing of the examples reaches the macro.
bool K7QSaveObjectScreenshots(CK7QBldContext& context, CMainFrame& frame,
                              const std::function<bool(QWidget*, const QString&)>& save);
