#pragma once
// The QGuiApplication that text and fonts need, for the commands that draw without a window.

#include <QGuiApplication>
#include <memory>

namespace corvane::cli {

// A QGuiApplication on the offscreen platform, so that no display is ever needed, with Qt's own
// notices kept off the command's output. Null when the process has an application already.
std::unique_ptr<QGuiApplication> makeGuiApplication();

}  // namespace corvane::cli
