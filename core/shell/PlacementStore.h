#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

class QSettings;

// The main window's placement in the terms it is stored in: show state numbers as the stored
// values use them (1 normal, 2 minimized, 3 maximized) and a normal rectangle given as
// left, top, right, bottom.
struct WindowPlacement {
    int flags = 0;
    int showCmd = 0;
    QPoint minPosition{-1, -1};
    QPoint maxPosition{-1, -1};
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

enum class RestoredState { Normal, Minimized, Maximized };

struct PlacementEnvironment {
    QSize screenSize; // primary screen, names the per-size values
    int pixelsPerInch = 96;
    QPoint frameSize; // sizing frame, kept outside the screen when maximized
};

struct PlacementRestore {
    bool applyPlacement = false; // position data found and usable: do not centre, use `placement`
    WindowPlacement placement;
    RestoredState state = RestoredState::Normal;
};

// Keeps the main window's placement under the group "TfrmMain" of the given settings, one set of
// values per screen size plus the last one saved at any size. Every value is decimal text.
class PlacementStore final {
public:
    explicit PlacementStore(QSettings &settings);

    static QString sizeSuffix(QSize screen);

    // Reads the stored placement. Returns false (store stays unrestored) when the settings cannot
    // be read; `errorMessage` then says why.
    bool restore(const WindowPlacement &current, const PlacementEnvironment &env, PlacementRestore &out,
                 QString *errorMessage = nullptr);
    // Writes the placement; does nothing unless a restore succeeded in this run. `destroying`
    // marks a save made while the window is destroyed rather than closed.
    bool save(const WindowPlacement &placement, bool applicationMinimized, const PlacementEnvironment &env,
              bool destroying, QString *errorMessage = nullptr);

    bool isRestored() const { return m_restored; }
    bool hasSaved() const { return m_saved; }

private:
    QSettings &m_settings;
    bool m_restored = false;
    bool m_saved = false;
};
