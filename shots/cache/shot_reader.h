// Reading a shot: the one way the document, the read-ahead and the
// thumbnails open a shot's file and decode it.
//
// Only a regular file is opened (OpenRegularFile): a FIFO or device named
// *.gif would block the reader, and is an image without pixels instead. The
// extension names the reader (shot_types.h). A
// file that cannot be read gives an image without pixels too; the image is
// null only when there is no memory for it.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string>

#include "image/dib_image.h"
#include "shots/list/file_status.h"

// A shot as read.
struct DecodedShot {
    // The entry's status as listed, taken before the file is opened: when
    // the file changes while it is read, it no longer has this status, so
    // whoever compares it later sees the change.
    FileSnapshot stamp;
    std::unique_ptr<CDibImage> image;
    // The status of the file that was opened and decoded (fstat); none when
    // nothing was opened.
    std::optional<struct stat> opened;
};

DecodedShot ReadShotFile(const std::string& path);

// Why a shot shows no picture, as one short phrase for the view and the
// export: "cannot be read: permission denied", "not a regular file", "not a
// GIF file" (the format the extension names), the reader's own message
// where it left one (no memory), else "damaged: the picture data ends
// early". Looks at the file again, so it says what holds now.
std::string ShotFailureReason(const std::string& path, const CDibImage* image);
