#pragma once
// File > Open Recent: the scores opened or saved last, newest first, kept between runs in the
// user's configuration folder, and the menu that lists them.

#include <QMenu>
#include <QString>
#include <QStringList>

namespace corvane {

// $XDG_CONFIG_HOME/corvane/corvane.conf (by default ~/.config/corvane/corvane.conf): where the
// desktop program keeps its settings.
QString defaultSettingsFile();

class RecentFiles {
  public:
    static constexpr int kLimit = 8;

    // Kept in the settings file `settingsFile` (QSettings' INI format); with an empty name the
    // list stays empty and nothing is written.
    explicit RecentFiles(QString settingsFile) : settingsFile_(std::move(settingsFile)) {}

    // The list as stored now, newest first (another window may have changed it).
    QStringList files() const;
    // `path` (made absolute) becomes the newest; beyond the limit the oldest go.
    void add(const QString& path);
    void remove(const QString& path);

  private:
    void store(const QStringList& files) const;

    QString settingsFile_;
};

// The Open Recent menu: "&1 name" for each file, its path as the tip; a file that is no longer
// there is shown greyed, but may still be chosen (the window then takes it off the list).
class RecentFilesMenu final : public QMenu {
    Q_OBJECT

  public:
    RecentFilesMenu(const QString& title, RecentFiles& files, QWidget* parent);

    // Lists the files as stored now; the menu is greyed while there are none.
    void refresh();

    // Greys the items of missing files without disabling them (public for tests).
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

  signals:
    // An item was chosen: the file's path.
    void fileChosen(const QString& path);

  private slots:
    void itemTriggered(QAction* action);

  private:
    RecentFiles& files_;
};

}  // namespace corvane
