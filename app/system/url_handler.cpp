#include "app/system/url_handler.h"

#include <cstdlib>

#include "app/system/desktop_entry.h"
#include "core/base/atomic_file.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/base/read_file.h"
#include "platform/process.h"

namespace orvak::UrlHandler {

namespace fs = std::filesystem;

fs::path applicationsDir() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const fs::path base = (xdg != nullptr && fs::path(xdg).is_absolute()) ? fs::path(xdg) : OrvakPaths::home() / ".local/share";
  return base / "applications";
}

std::string entry(const fs::path& executable) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Orvak\n"
         "Comment=Reads windows aloud\n"
         "Exec=" + desktopEntry::execArgument(executable.string()) + " %u\n"
         "Terminal=false\n"
         "NoDisplay=true\n"
         "MimeType=" + std::string(kMimeType) + ";\n";
}

Outcome install(const fs::path& executable, const fs::path& dir) {
  const fs::path file = dir / kFileName;
  const std::string wanted = entry(executable);
  if (readWholeFile(file) == wanted) return Outcome::current;
  try {
    writeFileAtomically(file, wanted);
  } catch (const fs::filesystem_error& e) {
    Log::write(std::string("links: cannot write the desktop entry: ") + e.what());
    return Outcome::failed;
  }
  const auto result = platform::runProcess({"xdg-mime", "default", kFileName, kMimeType}, std::nullopt, 10);
  if (!result || result->status != 0) {
    Log::write("links: xdg-mime could not make orvak:// ours");
  } else {
    Log::write("links: orvak:// opens " + executable.string());
  }
  return Outcome::written;
}

}  // namespace orvak::UrlHandler
