// Choosing applications to never read: a file dialog over the desktop entries, several at once.
#pragma once

#include <QFileDialog>
#include <filesystem>
#include <functional>
#include <vector>

namespace orvak::views {

// The dialog's settings: opens /usr/share/applications, shows desktop entries, several can be
// chosen, and the accept button reads "Never Read".
void configureAppChooser(QFileDialog& dialog);

// Opens the dialog over `parent` (not modal) and calls `done` once on the main queue with the
// chosen files in order, or none when cancelled. The dialog deletes itself when it closes.
void chooseApplicationFiles(QWidget* parent, std::function<void(std::vector<std::filesystem::path>)> done);

}  // namespace orvak::views
