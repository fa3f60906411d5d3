#include <cstdio>
#include <iostream>

#include "app/views/look/brand_export.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/gui_app.h"

namespace orvak::dev {

// Writes the twelve brand images into a folder, as the application's brand export does.
int runBrand(const Args& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: orvak-dev brand DIR\n");
    return 2;
  }
  const auto app = offscreenApp();
  // Only the images really written are listed: a folder that refuses them lists nothing.
  const auto written = look::BrandExport::run(args[0], std::cerr);
  for (const auto& name : written) {
    std::printf("%s/%s\n", args[0].c_str(), name.c_str());
  }
  return written.size() == look::BrandExport::fileNames().size() ? 0 : 1;
}

}  // namespace orvak::dev
