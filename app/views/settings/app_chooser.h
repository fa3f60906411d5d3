// Choosing applications to never read: a file dialog over the desktop entries, several at once.
#pragma once

#include <QFileDialog>
#include <filesystem>
#include <functional>
#include <vector>

namespace orvak::views::settings {

// The dialog's settings: opens /usr/share/applications, shows desktop entries, several can be
// chosen, the accept button reads "Never Read" and the title says what the choice does.
void configureAppChooser(QFileDialog& dialog);

// Opens the dialog modal to `parent`'s window and calls `done` once on the main queue with the
// chosen files in order, or none when cancelled. The dialog deletes itself when it closes; the
// returned pointer is for the caller to find it again while it is open.
QFileDialog* chooseApplicationFiles(QWidget* parent, std::function<void(std::vector<std::filesystem::path>)> done);

}  // namespace orvak::views::settings
