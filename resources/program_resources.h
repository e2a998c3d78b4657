#pragma once

#include "platform/resource/resource_module.h"

namespace quorvex {

// The program's own resources, in language 1033 (U.S. English), found by type and id:
//   RT_DIALOG 102 and 103   the main dialog, portrait and landscape (main_dialog_templates.h)
//   RT_BITMAP 129           the status lamp's image strip (frame_strip.h)
//   strings 130 to 147      the program's texts (string_ids.h, string_table.h)
//   "CEUX" "HI_RES_AWARE"   the 16-bit value 1: the program draws at the screen's real pixel
//                           density, so the shell must not scale it
//   RT_VERSION 1            the version record (version_record.h)
// The module and every resource's bytes live for the whole run; any thread may read them.
const ResourceModule& ProgramResources();

}  // namespace quorvex
