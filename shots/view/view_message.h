// What the view says when it has no picture to show, or when the list's
// directory cannot be read: one line on a mid-grey area. Empty when nothing
// needs saying (no directory open yet, or a good shot on display).
#pragma once

#include <string>

#include "shots/shot_list_document.h"

constexpr unsigned VIEW_MESSAGE_BACKGROUND = 0x808080;

std::string ViewMessage(const CKESTRELDoc& document);
