#pragma once
// The main client for a user-interface thread that must never be held long by it. Every call,
// the creation of the object and its release run on a worker thread of the multithreaded
// apartment (the object lives there); the calling thread waits for the answer at most `limit`,
// answering sent messages and painting its windows meanwhile (what an apartment's own outgoing
// COM call lets through), so its windows keep answering other programs. A call without an answer
// in time is given up: it fails with AutomationError(kNoAnswer). So does, at once, every call
// while an earlier one is still unanswered: the main client is hung, a new call would hang too.
// The call given up goes on in its worker, which ends once it returns.
//
// SelectProfile is waited for without a limit: it shows the main client's profile chooser and
// answers when the user has chosen.
#include <chrono>
#include <memory>

#include "mainclient/main_client.h"

namespace lark::mainclient {

inline constexpr std::chrono::milliseconds kDefaultAnswerLimit{5000};

// Creates the main client's object (as AutomationClient::Create) within `limit`.
std::shared_ptr<MainClient> CreateDeadlineClient(std::chrono::milliseconds limit = kDefaultAnswerLimit);

// How many calls were given up and have not returned yet (in this process).
int UnansweredCalls();

}  // namespace lark::mainclient
