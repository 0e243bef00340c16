// The descriptor owner used by the sockets and the files beside the program. Linux hands out the
// lowest free number, so a descriptor closed twice would hit the one opened in between: these
// tests open that one on purpose and check it survives.
#include "platform/posix/unique_fd.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

namespace lanqi::platform {
namespace {

bool IsOpen(int fd) {
  return ::fcntl(fd, F_GETFD) != -1;
}

int OpenNull() {
  return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

TEST(UniqueFd, AfterAMoveOnlyTheNewOwnerClosesAndAReusedNumberSurvives) {
  struct Case {
    std::string name;
    // Moves the descriptor out of `from` into a holder that closes it before returning.
    std::function<void(UniqueFd& from)> moveAndDrop;
  };
  const std::vector<Case> cases = {
      {"construct", [](UniqueFd& from) { UniqueFd to(std::move(from)); }},
      {"assign into empty",
       [](UniqueFd& from) {
         UniqueFd to;
         to = std::move(from);
       }},
      {"assign into owner",
       [](UniqueFd& from) {
         UniqueFd to(OpenNull());
         to = std::move(from);
       }},
  };
  for (const Case& c : cases) {
    const int number = OpenNull();
    ASSERT_GE(number, 0);
    {
      UniqueFd from(number);
      c.moveAndDrop(from);
      EXPECT_FALSE(from) << c.name;
      EXPECT_FALSE(IsOpen(number)) << c.name;
      // The system gives the freed number to the next descriptor.
      const int reused = OpenNull();
      ASSERT_EQ(reused, number) << c.name;
      // `from` goes here and must leave the reused number alone.
    }
    EXPECT_TRUE(IsOpen(number)) << c.name;
    ::close(number);
  }
}

TEST(UniqueFd, AssigningOverAnOwnerClosesWhatItHeld) {
  const int first = OpenNull();
  const int second = OpenNull();
  UniqueFd holder(first);
  holder = UniqueFd(second);
  EXPECT_FALSE(IsOpen(first));
  EXPECT_EQ(holder.get(), second);
  EXPECT_TRUE(IsOpen(second));
}

TEST(UniqueFd, KeepsItsDescriptorOpenWhenGivenItAgain) {
  const int fd = OpenNull();
  {
    UniqueFd holder(fd);
    UniqueFd& alias = holder;
    holder = std::move(alias);
    holder.reset(fd);
    EXPECT_EQ(holder.get(), fd);
    EXPECT_TRUE(IsOpen(fd));
  }
  EXPECT_FALSE(IsOpen(fd));
}

TEST(UniqueFd, ReleaseHandsOverWithoutClosing) {
  const int fd = OpenNull();
  int released = -1;
  {
    UniqueFd holder(fd);
    released = holder.release();
    EXPECT_FALSE(holder);
  }
  EXPECT_EQ(released, fd);
  EXPECT_TRUE(IsOpen(fd));
  ::close(fd);
}

TEST(UniqueFd, CloseReportsWhetherTheCloseSucceeded) {
  UniqueFd empty;
  EXPECT_FALSE(empty.Close());
  UniqueFd negative(-5);
  EXPECT_FALSE(negative);

  UniqueFd open(OpenNull());
  EXPECT_TRUE(open.Close());
  EXPECT_FALSE(open);

  // A number closed behind the owner's back: close fails and the failure is reported.
  const int fd = OpenNull();
  UniqueFd stale(fd);
  ::close(fd);
  EXPECT_FALSE(stale.Close());
}

}  // namespace
}  // namespace lanqi::platform
