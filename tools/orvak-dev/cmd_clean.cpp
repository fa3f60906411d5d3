// Cleans a recorded window and prints the result: what the reader would read, where it would
// start, and what was dropped and why.
//
// FILE is a capture dump ({"meta": ..., "nodes": [...]}; its "clean" is ignored) or a simulated
// desktop scene, whose front window is walked first.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/capture/ax_walker.h"
#include "core/base/read_file.h"
#include "core/page/cleaner.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

struct CleanInput {
  std::vector<AXNode> nodes;
  std::optional<Frame> windowFrame;
  std::optional<std::string> bundleId;
  std::optional<std::string> url;
};

struct CleanArgs {
  std::string file;
  std::optional<std::string> bundleId;
  std::optional<std::string> url;
  std::optional<Frame> windowFrame;
  bool textOnly = false;
};

void usage() {
  std::fprintf(stderr,
               "usage: orvak-dev clean FILE [--bundle ID] [--url URL] [--frame X,Y,W,H] [--text]\n"
               "  FILE  a capture dump (an object with \"meta\" and \"nodes\") or a desktop scene\n");
}

Frame parseFrame(const std::string& s) {
  Frame f{};
  std::istringstream in(s);
  char comma = ',';
  for (std::size_t i = 0; i < 4; ++i) {
    if ((i > 0 && !(in >> comma)) || comma != ',' || !(in >> f[i])) {
      throw std::runtime_error("--frame wants four numbers: X,Y,W,H");
    }
  }
  if (in >> comma) throw std::runtime_error("--frame wants four numbers: X,Y,W,H");
  return f;
}

CleanArgs parseArgs(const Args& args) {
  const Options o(args, {"--bundle", "--url", "--frame"}, {"--text"});
  CleanArgs c;
  c.file = o.plain()[0];
  c.bundleId = o.value("--bundle");
  c.url = o.value("--url");
  if (const auto frame = o.value("--frame")) c.windowFrame = parseFrame(*frame);
  c.textOnly = o.flag("--text");
  return c;
}

json::Json readJson(const std::string& path) {
  const auto text = readFile(path, sim::SimDesktop::maxFileBytes);
  if (text.status == FileContents::Status::tooLarge) {
    throw std::runtime_error(path + " is too large (at most " + std::to_string(sim::SimDesktop::maxFileBytes >> 20) +
                             " MB)");
  }
  if (!text.ok()) throw std::runtime_error("cannot open " + path);
  try {
    return json::parse(text.bytes);
  } catch (const json::DecodeError& e) {
    throw std::runtime_error(path + " is not JSON: " + e.what());
  }
}

bool isDump(const json::Json& j) { return j.is_object() && j.contains("meta") && j.contains("nodes"); }

CleanInput fromDump(const json::Json& j) {
  CleanInput in;
  const auto& nodes = j.at("nodes");
  if (!nodes.is_array()) throw json::DecodeError("\"nodes\": expected an array");
  in.nodes.reserve(nodes.size());
  for (const auto& n : nodes) in.nodes.push_back(n.get<AXNode>());
  for (std::size_t i = 0; i < in.nodes.size(); ++i) {
    if (in.nodes[i].id != std::int64_t(i)) {
      throw json::DecodeError("\"nodes\": node " + std::to_string(i) + " has id " + std::to_string(in.nodes[i].id));
    }
  }
  const auto& meta = j.at("meta");
  const auto bundleId = json::getOptional<std::string>(meta, "bundleId");
  if (bundleId && *bundleId != "?") in.bundleId = bundleId;  // "?" is how a dump says "none"
  in.url = json::getOptional<std::string>(meta, "url");
  if (const auto frame = json::getOptional<std::vector<double>>(meta, "windowFrame")) {
    if (frame->size() != 4) throw json::DecodeError("\"windowFrame\": expected four numbers");
    in.windowFrame = Frame{(*frame)[0], (*frame)[1], (*frame)[2], (*frame)[3]};
  }
  return in;
}

// Walks the scene's front window as a capture would: on a queue of its own, since the walk blocks
// for as long as the other application takes to answer.
CleanInput fromScene(const json::Json& j, const std::string& path) {
  const auto desktop = sim::SimDesktop::fromJson(j, path);
  const auto front = desktop->frontmost();
  if (!front) throw std::runtime_error(path + " has no application in front");
  auto queue = dispatch::makeQueue("orvak.capture");
  auto walked = queue->syncValue([&]() -> std::optional<WalkResult> {
    const auto window = AXWalker::pickWindow(desktop->application(front->pid));
    if (!window) return std::nullopt;
    return AXWalker::walk(*window);
  });
  if (!walked) throw std::runtime_error(path + ": " + front->name.value_or("the front application") + " has no window to read");
  return {std::move(walked->nodes), walked->windowFrame, front->bundleId, walked->url};
}

bool looksLikeScene(const json::Json& j) { return j.is_object() && j.contains("applications"); }

}  // namespace

int runClean(const Args& args) {
  std::optional<CleanArgs> o;
  try {
    o = parseArgs(args);
  } catch (const UsageError&) {
    usage();
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvak-dev clean: %s\n", e.what());
    return 2;
  }
  const json::Json file = readJson(o->file);
  CleanInput in;
  if (isDump(file)) {
    try {
      in = fromDump(file);
    } catch (const std::exception& e) {
      throw std::runtime_error(o->file + " is not a readable capture dump: " + e.what());
    }
  } else if (looksLikeScene(file)) {
    in = fromScene(file, o->file);
  } else {
    throw std::runtime_error(o->file + " is neither a capture dump (an object with \"meta\" and \"nodes\") nor a scene (an object with \"applications\")");
  }
  if (o->bundleId) in.bundleId = o->bundleId;
  if (o->url) in.url = o->url;
  if (o->windowFrame) in.windowFrame = o->windowFrame;

  const CleanResult result = Cleaner::clean(in.nodes, in.windowFrame, in.bundleId, in.url);
  if (o->textOnly) {
    std::printf("%s\n", result.text.c_str());
  } else {
    std::printf("%s\n", json::dumpPretty(json::Json(result)).c_str());
  }
  return 0;
}

}  // namespace orvak::dev
