// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The response table that `vosk response` writes.
#include "cli/analysis.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vosk;

namespace {

TEST(Analysis, CsvHasOneRowPerFrequencyAndEmptyDelaysForSilence)
{
    Response r;
    r.sampleRate = 1000;
    r.frequencies = {10, 100};
    r.curves.push_back({"left", {0.0, -3.0}, {5.0, NAN}});
    const std::string csv = responseCsv(r);
    EXPECT_EQ(csv, "frequency_hz,left_db,left_group_delay_ms\n10.000,0.0000,5.0000\n100.000,-3.0000,\n");
}

} // namespace
