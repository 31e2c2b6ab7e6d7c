// A Services fake that records every call and answers message boxes from a
// queue of prepared answers.
#pragma once

#include "services.h"

#include <deque>
#include <string>
#include <vector>

namespace qz::testing {

struct BoxCall {
    std::string text;
    std::string title;
    unsigned flags;
};

class FakeServices : public Services {
public:
    int ShowMessageBox(std::string_view text, std::string_view title, unsigned flags) override
    {
        boxes.push_back({std::string(text), std::string(title), flags});
        if (answers.empty())
            return 1;  // IDOK
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::string ProgramFolder() override
    {
        ++programFolderCalls;
        return programFolder;
    }
    void CloseMainWindow() override { ++closeCalls; }

    std::vector<BoxCall> boxes;
    std::deque<int> answers;
    std::string programFolder = "D:\\";
    int programFolderCalls = 0;
    int closeCalls = 0;
};

}  // namespace qz::testing
