// Long seeded runs of the number-facet differential driver: insertions,
// extractions, assignments and conversions must match the reference model
// built on snprintf, strtol and strtod after every step.
#include <gtest/gtest.h>

#include "text/testing/choice_source.h"
#include "text/testing/format_differential.h"

namespace {

TEST(DynStringFormatReference, RandomOperationsMatchModel) {
  for (unsigned seed : {20240611u, 5u}) {
    SeededChoices choices(seed);
    reference_model::FormatDifferential run(choices);
    for (int step = 0; step < 20000 && run.Step(); ++step) {
    }
    ASSERT_EQ(run.Mismatch(), "") << "seed " << seed;
  }
}

}  // namespace
