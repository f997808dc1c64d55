#include "Scripted_Prompter.h"

#include <gtest/gtest.h>

TEST(Prompter, ScriptedAnswersReplaceTheDialogsWhileInstalled)
{
    ORV_Prompter* before = &prompter();
    {
        Scripted_Prompter script;
        script.answer_directory(QStringLiteral("/tmp/down"));
        EXPECT_EQ(&prompter(), &script);
        EXPECT_EQ(prompter().existing_directory(QStringLiteral("选择下载路径"), QString()), QStringLiteral("/tmp/down"));
        EXPECT_TRUE(prompter().existing_directory(QStringLiteral("again"), QString()).isEmpty());
        ASSERT_EQ(script.calls().size(), 2);
        EXPECT_EQ(script.calls().first().caption, QStringLiteral("选择下载路径"));
    }
    EXPECT_EQ(&prompter(), before);
}
