#pragma once

#include <QString>
#include <functional>

struct CK7QBldContext;
class IK7QBldFrame;
class QWidget;

// Shows the windows of the function blocks that the object tree does not
// (a function's messages, the statement sheet with a statement built on
// the open profile) and hands each to `save` under its name. The macro is
// not changed: the windows work on copies. False when a save failed.
bool K7QSaveBlockScreenshots(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* owner,
                             const std::function<bool(QWidget*, const QString&)>& save);
