#pragma once

#include <QString>
#include <functional>

struct CK7QBldContext;
class IK7QBldFrame;
class QWidget;

// A page of the object tree as an author has it in use: the function page
// with its first function selected, so its commands show enabled.
void K7QShowBlockExample(QWidget* panel);

// Shows the windows of the function blocks that the object tree does not
// (a function's messages, the statement sheet with a statement built on
// the open profile) and hands each to `save` under its name. The macro is
// not changed: the windows work on copies. False when a save failed.
bool K7QSaveBlockScreenshots(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* owner,
                             const std::function<bool(QWidget*, const QString&)>& save);
