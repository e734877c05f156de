// The plug-in's control-tag names, accepted by --set besides the titles the
// controller shows (the shape lists are titled "kShape1" ... "kShape8", which
// hides which band and channel each one drives).
#include "tagnames.h"

#include "source/parameterids.h"

namespace vosk {

const std::vector<TagName>& tagNames()
{
    static const std::vector<TagName> names = {
        {"kBypass", kBypass},
        {"kOnLoCut", kOnLoCut},
        {"kOn1R", kOn1R},
        {"kOn2R", kOn2R},
        {"kOn3R", kOn3R},
        {"kOn4R", kOn4R},
        {"kOn1L", kOn1L},
        {"kOn2L", kOn2L},
        {"kOn3L", kOn3L},
        {"kOn4L", kOn4L},
        {"kOnHiCut", kOnHiCut},
        {"kInGain", kInGain},
        {"VuMeterLeft", VuMeterLeft},
        {"VUMeterRight", VUMeterRight},
        {"kLink", kLink},
        {"kMidSide", kMidSide},
        {"kMuteMid", kMuteMid},
        {"kMuteSide", kMuteSide},
        {"kFreq1R", kFreq1R},
        {"kFreq2R", kFreq2R},
        {"kFreq3R", kFreq3R},
        {"kFreq4R", kFreq4R},
        {"kFreq1L", kFreq1L},
        {"kFreq2L", kFreq2L},
        {"kFreq3L", kFreq3L},
        {"kFreq4L", kFreq4L},
        {"kGain1R", kGain1R},
        {"kGain2R", kGain2R},
        {"kGain3R", kGain3R},
        {"kGain4R", kGain4R},
        {"kGain1L", kGain1L},
        {"kGain2L", kGain2L},
        {"kGain3L", kGain3L},
        {"kGain4L", kGain4L},
        {"kQ1R", kQ1R},
        {"kQ2R", kQ2R},
        {"kQ3R", kQ3R},
        {"kQ4R", kQ4R},
        {"kQ1L", kQ1L},
        {"kQ2L", kQ2L},
        {"kQ3L", kQ3L},
        {"kQ4L", kQ4L},
        {"kBW1R", kBW1R},
        {"kBW2R", kBW2R},
        {"kBW3R", kBW3R},
        {"kBW4R", kBW4R},
        {"kBW1L", kBW1L},
        {"kBW2L", kBW2L},
        {"kBW3L", kBW3L},
        {"kBW4L", kBW4L},
        {"kType1", kType1},
        {"kType2", kType2},
        {"kType3", kType3},
        {"kType4", kType4},
        {"kType5", kType5},
        {"kType6", kType6},
        {"kLpeak", kLpeak},
        {"kRpeak", kRpeak},
        {"kLgain", kLgain},
        {"kRgain", kRgain},
        {"kShape1R", kShape1R},
        {"kShape2R", kShape2R},
        {"kShape3R", kShape3R},
        {"kShape4R", kShape4R},
        {"kShape1L", kShape1L},
        {"kShape2L", kShape2L},
        {"kShape3L", kShape3L},
        {"kShape4L", kShape4L},
        {"kFftSizeMenu", kFftSizeMenu},
    };
    return names;
}

std::string tagName(uint32_t id)
{
    for (const auto& t : tagNames())
        if (t.id == id) return t.name;
    return std::to_string(id);
}

} // namespace vosk
