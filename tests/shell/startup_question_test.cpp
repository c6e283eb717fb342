// The startup entry of a product that wants one and has no service: the
// question on every platform, and what Yes and No bring.
#include <gtest/gtest.h>

#include <string>

#include "product/product_data.h"
#include "tests/shell/support/registration_run.h"
#include "tests/shell/support/shell_test_support.h"

namespace {

const std::string kProduct = "Varnlet Startup Question";
constexpr char kQuestion[] = "Should Varnlet Startup Question start whenever you log on?";

class StartupQuestionTest : public shell_test::ProductVariantTest {
protected:
    StartupQuestionTest() : ProductVariantTest(kProduct.c_str(), "Startup Question") {}
};

void ExpectOneStartupQuestion(const shell_test::RegistrationRun& run) {
    ASSERT_EQ(1u, run.questions.size());
    const shell_test::QuestionBox& box = run.questions[0];
    EXPECT_EQ("Add To Startup Group", box.title);
    EXPECT_EQ(kQuestion, box.text);
    EXPECT_EQ(run.owner, box.owner) << "the question must be owned by the background window";
    EXPECT_TRUE(box.hasYes && box.hasNo) << "Yes and No buttons expected";
    EXPECT_FALSE(box.hasOk || box.hasCancel) << "only Yes and No expected";
}

TEST_F(StartupQuestionTest, AskedOnEveryPlatformAndOnlyYesMakesTheEntry) {
    struct Case {
        DWORD platform;
        int answer;
    };
    const Case cases[] = {
        {shell_test::kWindows9x, IDYES},
        {shell_test::kWindows9x, IDNO},
        {shell_test::kWindowsNt, IDYES},
        {shell_test::kWindowsNt, IDNO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("platform " + std::to_string(c.platform) + (c.answer == IDYES ? ", Yes" : ", No"));
        // An empty startup link name: the link is named after the product.
        shell_test::RegistrationRun run = shell_test::RunRegistration(data, c.platform, c.answer, kProduct);
        ExpectOneStartupQuestion(run);
        if (c.answer == IDNO) {
            EXPECT_FALSE(run.startupLinkExists) << run.startupLinkPath;
            EXPECT_FALSE(run.started) << "started with " << run.start.commandLine;
            continue;
        }
        ASSERT_TRUE(run.startupLinkExists) << run.startupLinkPath;
        EXPECT_EQ(data.Program(), run.startupLink.target);
        EXPECT_EQ(data.path(), run.startupLink.workingFolder);
        EXPECT_EQ(kProduct, run.startupLink.description);
        EXPECT_EQ("", run.startupLink.arguments) << "no startup arguments configured";
        EXPECT_EQ(SW_SHOWMINNOACTIVE, run.startupLink.showCommand);
        ASSERT_TRUE(run.started) << "the product was not started";
        ASSERT_TRUE(run.start.seen) << "the product left no record";
        EXPECT_EQ("\"" + data.Program() + "\" ", run.start.commandLine);
    }
}

TEST_F(StartupQuestionTest, AFailedRegistrationStillOffersTheStartupEntry) {
    ASSERT_TRUE(shell_test::DenyUninstallKey(kProduct));
    shell_test::RegistrationRun run = shell_test::RunRegistration(data, shell_test::kWindowsNt, IDYES, kProduct);
    ExpectOneStartupQuestion(run);
    EXPECT_TRUE(run.startupLinkExists) << run.startupLinkPath;
    EXPECT_TRUE(run.started) << "the product was not started";
}

}  // namespace
