// Where the application keeps its files. Each path is computed once, on first use; computing
// one creates nothing on disk (except the one-time move of the research file).
#pragma once

#include <filesystem>

namespace orvak::OrvakPaths {

// The user's home folder: $HOME, else the password database's entry.
const std::filesystem::path& home();
// $XDG_DATA_HOME/Orvak (default ~/.local/share/Orvak): the database, positions, voice list.
const std::filesystem::path& support();
// $XDG_STATE_HOME/Orvak (default ~/.local/state/Orvak): the text log and timing records.
const std::filesystem::path& logs();
// logs()/captures: capture dumps.
const std::filesystem::path& captures();
// support()/research.jsonl. On first use, a research file found only in the logs folder (where
// earlier versions kept it) is moved here.
const std::filesystem::path& research();

// The research file's location for the given folders, moving a file found only at
// `logsDir`/research.jsonl to `supportDir`/research.jsonl (a failed move is ignored).
std::filesystem::path locateResearch(const std::filesystem::path& supportDir, const std::filesystem::path& logsDir);

}  // namespace orvak::OrvakPaths
