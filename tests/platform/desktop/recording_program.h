#pragma once

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace pelko::test {

// A program that writes down how it was started: its working folder, each argument on a line
// of its own, its session, its parent, where its output goes and whether the descriptor
// `watchedFd` of the starter reached it. The record appears at once when it is complete.
class RecordingProgram {
  public:
    RecordingProgram(const std::string& path, const std::string& record, int watchedFd = 99)
        : m_path(path), m_record(record) {
        writeText(path,
                  "#!/bin/sh\nPATH=/usr/bin:/bin\n"
                  "out=$(readlink /proc/$$/fd/1)\n"
                  "leak=no; [ -e /proc/$$/fd/" +
                      std::to_string(watchedFd) +
                      " ] && leak=yes\n"
                      "{\n"
                      "  echo \"cwd=$(pwd -P)\"\n"
                      "  echo \"argc=$#\"\n"
                      "  for a in \"$@\"; do echo \"arg=$a\"; done\n"
                      "  echo \"sid=$(ps -o sid= -p $$ | tr -d ' ')\"\n"
                      "  echo \"ppid=$(ps -o ppid= -p $$ | tr -d ' ')\"\n"
                      "  echo \"stdout=$out\"\n"
                      "  echo \"leak=$leak\"\n"
                      "} > '" +
                      record + ".part' && mv '" + record + ".part' '" + record + "'\n");
        ::chmod(path.c_str(), 0755);
    }

    const std::string& path() const { return m_path; }

    // The record's lines, waiting up to 10 s for it; empty when none came.
    std::vector<std::string> lines() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(m_record) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::vector<std::string> out;
        std::string text = readText(m_record);
        for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
             start = end + 1) {
            out.push_back(text.substr(start, end - start));
        }
        return out;
    }
    // The lines starting with prefix, without it.
    std::vector<std::string> values(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& line : lines()) {
            if (line.starts_with(prefix)) {
                out.push_back(line.substr(prefix.size()));
            }
        }
        return out;
    }

  private:
    std::string m_path;
    std::string m_record;
};

}  // namespace pelko::test
