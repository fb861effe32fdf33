// The shader-file format as parsed, before any device: what counts as a blank line, and errors.
#include "platform/fx_file.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using platform::parseFx;

std::string withBlankLineAt(const std::string& blank, int where) {
  std::string lines[] = {"parameter float4 Tint\n",
                         "technique T\n",
                         "  pass P\n",
                         "    vertex\n      void main() { gl_Position = vec4(aPosition, 1.0); }\n"
                         "    end\n",
                         "    fragment\n      void main() { fragColor = Tint; }\n    end\n",
                         "  end\n",
                         "end\n"};
  std::string text;
  for (int i = 0; i < 7; ++i) {
    if (i == where) {
      text += blank;
    }
    text += lines[i];
  }
  return text;
}

TEST(FxFileTest, LinesOfAnyWhiteSpaceAreBlankEverywhere) {
  // A page break or a vertical tab alone on a line, at the top, in a technique, in a pass.
  for (std::string blank : {"\f\n", "\v\n", " \f\t\v \r\n", "\f"}) {
    for (int where : {0, 2, 3, 5, 6}) {
      SCOPED_TRACE(::testing::Message() << "blank " << int(blank[0]) << " before line " << where);
      std::string error;
      auto fx = parseFx(withBlankLineAt(blank, where), "page.fx", &error);
      ASSERT_TRUE(fx.has_value()) << error;
      ASSERT_EQ(fx->techniques.size(), 1u);
      EXPECT_EQ(fx->techniques[0].passes.size(), 1u);
    }
  }
  // Only the form feed, and nothing after it: no technique, said as an error.
  std::string error;
  EXPECT_FALSE(parseFx("\f", "empty.fx", &error).has_value());
  EXPECT_NE(error.find("no technique"), std::string::npos) << error;
}

}  // namespace
}  // namespace korvel
