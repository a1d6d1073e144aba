// Long seeded runs of the search and edit differential driver: every result,
// the text, the null state and the header fields must match the reference
// model after each step.
#include "text/testing/edit_differential.h"

#include <gtest/gtest.h>

#include <string>

#include "text/testing/choice_source.h"

namespace {

TEST(DynStringEditDifferential, RandomSequencesMatchTheReferenceModel) {
  for (unsigned seed : {1u, 7u, 2024u}) {
    SeededChoices choices(seed);
    reference_model::EditDifferential run(choices);
    for (int step = 0; step < 20000 && run.Step(); ++step) {
    }
    ASSERT_EQ(run.Mismatch(), "") << "seed " << seed;
  }
}

}  // namespace
