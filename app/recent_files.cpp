#include "app/recent_files.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStyleOptionMenuItem>

namespace corvane {

namespace {

constexpr const char* kRecentKey = "recentFiles";
// Marks the actions of files that are no longer there.
constexpr const char* kMissing = "missing";

}  // namespace

QString defaultSettingsFile() {
    // Read from the environment on every call, so that tests may point it elsewhere.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/corvane/corvane.conf");
}

QStringList RecentFiles::files() const {
    if (settingsFile_.isEmpty()) {
        return {};
    }
    const QSettings settings(settingsFile_, QSettings::IniFormat);
    QStringList files = settings.value(kRecentKey).toStringList();
    files.removeAll(QString());
    return files.mid(0, kLimit);
}

void RecentFiles::add(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    QStringList list = files();
    list.removeAll(file);
    list.prepend(file);
    store(list.mid(0, kLimit));
}

void RecentFiles::remove(const QString& path) {
    QStringList list = files();
    if (list.removeAll(QFileInfo(path).absoluteFilePath()) + list.removeAll(path) > 0) {
        store(list);
    }
}

void RecentFiles::store(const QStringList& files) const {
    if (settingsFile_.isEmpty()) {
        return;
    }
    QSettings settings(settingsFile_, QSettings::IniFormat);
    settings.setValue(kRecentKey, files);
}

RecentFilesMenu::RecentFilesMenu(const QString& title, RecentFiles& files, QWidget* parent)
    : QMenu(title, parent), files_(files) {
    setToolTipsVisible(true);
    // Files come and go while the program runs, and other windows add theirs.
    connect(this, &QMenu::aboutToShow, this, &RecentFilesMenu::refresh);
    connect(this, &QMenu::triggered, this, &RecentFilesMenu::itemTriggered);
    refresh();
}

void RecentFilesMenu::refresh() {
    clear();
    const QStringList list = files_.files();
    for (int i = 0; i < list.size(); ++i) {
        const QFileInfo file(list[i]);
        QString name = file.fileName();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        item->setData(list[i]);
        item->setToolTip(list[i]);
        item->setProperty(kMissing, !file.exists());
    }
    menuAction()->setEnabled(!list.isEmpty());
}

void RecentFilesMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    if (action != nullptr && action->property(kMissing).toBool()) {
        option->state &= ~QStyle::State_Enabled;
    }
}

void RecentFilesMenu::itemTriggered(QAction* action) {
    emit fileChosen(action->data().toString());
}

}  // namespace corvane
