// What the view says when it has no picture to show (as the placeholder of
// image/shot_placeholder.h), or when the list's directory cannot be read (a
// strip over the shot). Empty when nothing needs saying (no directory open
// yet, or a good shot on display).
#pragma once

#include <string>

#include "shots/shot_list_document.h"

std::string ViewMessage(const CKESTRELDoc& document);
