// ShotRecord: one file of a shot list, as the document lists it and as
// others (the timeline's thumbnails) keep a copy of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// One listed file. Every record of a scan shares one copy of its
// directory: a list of a million shots keeps the directory once, and a
// short name within the string itself.
struct ShotRecord {
    ShotRecord() = default;
    ShotRecord(std::shared_ptr<const std::string> directory, std::string name, std::int64_t lastWriteTime)
        : directory(std::move(directory)), name(std::move(name)), lastWriteTime(lastWriteTime)
    {
    }
    // From a whole path: the directory is what comes up to its last '/'.
    ShotRecord(std::string_view path, std::int64_t lastWriteTime) : lastWriteTime(lastWriteTime)
    {
        const std::size_t slash = path.find_last_of('/');
        const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
        directory = std::make_shared<const std::string>(path.substr(0, nameStart));
        name = std::string(path.substr(nameStart));
    }

    // The directory and the name.
    std::string Path() const { return directory ? *directory + name : name; }

    std::shared_ptr<const std::string> directory;  // with its separator
    std::string name;                              // as listed
    std::int64_t lastWriteTime = 0;                // 100-nanosecond intervals (directory_listing.h)
};
