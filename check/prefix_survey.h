#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/folder_handle.h"

namespace quorvex {

// The prefix as quorvex would find it, looked at and never changed (not even made): each
// problem in quorvex's own words and mend, and which of its folders may be read. Nothing
// is followed into a folder that fails its checks: the prefix's files are read only when
// it and the folders above it pass, and the device links only when devices/ passes too.
// Owner's thread only.
class PrefixSurvey {
public:
    enum class Links {
        Absent,       // no devices/ folder, or no prefix yet: every port is its fallback
        Readable,     // devices/ passes: its links may be followed
        NotFollowed,  // devices/, or the prefix itself, fails its checks or cannot be read
    };

    // Looks at the prefix at `location`; nothing when no variable names one.
    void Survey(const std::optional<std::filesystem::path>& location);

    // The findings, one a line, each starting "prefix: ".
    const std::vector<std::string>& Lines() const { return lines; }

    // Whether quorvex would start on this prefix (one it makes counts).
    bool Passes() const { return passes; }
    // Whether the prefix is there yet.
    bool Exists() const { return exists; }
    // The prefix, open, while its files may be read; null otherwise.
    const FolderHandle* Prefix() const { return prefix.IsOpen() ? &prefix : nullptr; }
    Links DeviceLinks() const { return links; }
    // The devices/ folder, open while DeviceLinks() is Readable.
    const FolderHandle& Devices() const { return devices; }
    // The prefix's path for a person: resolved once it was found, else as located.
    const std::filesystem::path& Location() const { return location; }

private:
    void Note(const std::string& text) { lines.push_back("prefix: " + text); }
    void OpenDevices(bool failed);

    std::vector<std::string> lines;
    std::filesystem::path location;
    FolderHandle prefix;
    FolderHandle devices;
    bool passes = false;
    bool exists = false;
    Links links = Links::NotFollowed;
};

}  // namespace quorvex
