// Which directory entries are icons to work on, and in which order.
#pragma once

#include <string>

namespace eligibility {

// One of the four mask files, or its PNG file, any letter case.
bool isMaskName(const std::string& name);
// Names starting with "DIS" or "PAS", any letter case: variants of a run.
bool hasVariantPrefix(const std::string& name);
// The name without its last four characters (the extension).
std::string baseNameOf(const std::string& name);
// Base names ending with "_Autocast", any letter case: variants of a run.
bool hasAutocastSuffix(const std::string& baseName);

// Why a file named on the command line is no icon to work on. A run over a
// folder passes over such names without a word; a name the user gave
// deserves one.
enum class SkipReason {
    None,            // an icon
    NotTga,          // no "*.tga" or "*.png" name
    Mask,            // one of the four masks
    VariantPrefix,   // "DIS..." or "PAS...": a variant of an earlier run
    AutocastSuffix,  // "..._Autocast.tga": a variant of an earlier run
};
SkipReason skipReasonOf(const std::string& name);

// The order in which a run takes the entries: bytes compared with ASCII
// letters folded to upper case (so '_' sorts after the letters); names equal
// that way are ordered by their bytes.
bool comesBefore(const std::string& a, const std::string& b);

}  // namespace eligibility
