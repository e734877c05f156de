// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Every state and preset of the corpus opens with the values it had and the
// sound it had when it was recorded.
#include "corpus.h"

#include "hosting/fileio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ostream>

namespace vosk::corpus {
// Test names show the file, not its bytes.
void PrintTo(const Entry& entry, std::ostream* os)
{
    *os << entry.file;
}
} // namespace vosk::corpus

namespace {

std::vector<vosk::corpus::Entry> entries()
{
    std::vector<vosk::corpus::Entry> list;
    std::string error;
    if (!vosk::corpus::readIndex(VOSK_CORPUS_DIR "/index.txt", list, error)) ADD_FAILURE() << error;
    return list;
}

class Corpus : public testing::TestWithParam<vosk::corpus::Entry>
{
};

TEST_P(Corpus, OpensWithTheRecordedValuesAndSound)
{
    const std::string path = VOSK_CORPUS_DIR "/" + GetParam().file;
    std::string error;
    std::vector<uint8_t> valuesText;
    ASSERT_TRUE(vosk::readWholeFile(path + ".values", valuesText, error)) << error;
    vosk::corpus::Values recordedValues;
    ASSERT_TRUE(vosk::corpus::parseValues({valuesText.begin(), valuesText.end()}, recordedValues));

    for (int32_t fftSize : vosk::corpus::kRenderedFftSizes) {
        SCOPED_TRACE(fftSize);
        std::vector<uint8_t> recordBytes;
        ASSERT_TRUE(vosk::readWholeFile(vosk::corpus::renderFile(path, fftSize), recordBytes, error))
            << error;
        std::vector<float> record;
        ASSERT_TRUE(vosk::corpus::samplesOf(recordBytes, record));

        auto plugin = vosk::HostedPlugin::load(VOSK_BUNDLE_PATH, error);
        ASSERT_TRUE(plugin) << error;
        ASSERT_TRUE(vosk::corpus::load(*plugin, path, error)) << error;
        for (const auto& [id, value] : recordedValues) {
            ASSERT_TRUE(plugin->findParameter(id)) << "parameter " << id << " is gone";
            EXPECT_EQ(plugin->normalizedValue(id), value) << "parameter " << plugin->findParameter(id)->title;
        }

        std::vector<float> rendered;
        ASSERT_TRUE(vosk::corpus::render(*plugin, rendered, error, fftSize)) << error;
        ASSERT_EQ(rendered.size(), record.size());
        double worst = 0, peak = 0;
        size_t at = 0;
        for (size_t i = 0; i < record.size(); ++i) {
            const double difference = std::fabs(static_cast<double>(rendered[i]) - record[i]);
            if (difference > worst) worst = difference, at = i;
            peak = std::max(peak, std::fabs(static_cast<double>(record[i])));
        }
        // -120 dB of full scale, plus the recording module's own rounding: its
        // block convolution's transforms took their top level's twiddles from a
        // single-precision recursion, which put its output up to 2e-5 of the
        // signal's peak (-94 dB) off the exact convolution at the longest length.
        EXPECT_LE(worst, 1e-6 + 2.5e-5 * peak) << "frame " << at / 2 << ", channel " << at % 2 << ": "
                                               << rendered[at] << " where " << record[at] << " was recorded";
    }
}

INSTANTIATE_TEST_SUITE_P(Recorded, Corpus, testing::ValuesIn(entries()),
                         [](const testing::TestParamInfo<vosk::corpus::Entry>& param) {
                             std::string name;
                             for (char c : param.param.file)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

} // namespace
