#include "platform/library.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/files.h"

namespace platform {
namespace {

#ifdef _WIN32
constexpr char16_t kTestLibrary[] = u"qo_test_library.dll";
constexpr char16_t kMissingLibrary[] = u"qo_no_such_library.dll";
#else
constexpr char16_t kTestLibrary[] = u"libqo_test_library.so";
constexpr char16_t kMissingLibrary[] = u"libqo_no_such_library.so";
#endif

using CounterFn = int();
using BinaryFn = int(int, int);

WString TestLibraryPath() {
    return JoinPath(ProgramFolder(), kTestLibrary);
}

TEST(Library, LoadsResolvesAndReallyUnloads) {
    Library library;
    EXPECT_FALSE(library.IsLoaded());
    ASSERT_TRUE(library.Load(TestLibraryPath()));
    EXPECT_TRUE(library.IsLoaded());

    BinaryFn* add = nullptr;
    CounterFn* counter = nullptr;
    ASSERT_TRUE(
        ResolveInto(library, {Entry("qo_test_add", add), Entry("qo_test_counter", counter)}));
    EXPECT_EQ(add(2, 40), 42);
    EXPECT_EQ(counter(), 1);
    EXPECT_EQ(counter(), 2);

    // A fresh load starts the counter again: the library was really released.
    library.Unload();
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(library.Resolve("qo_test_add"), nullptr);
    ASSERT_TRUE(library.Load(TestLibraryPath()));
    ASSERT_TRUE(ResolveInto(library, {Entry("qo_test_counter", counter)}));
    EXPECT_EQ(counter(), 1);
    EXPECT_EQ(counter(), 2);

    // Moving hands the library on; the destructor of the last owner unloads it.
    {
        Library moved(std::move(library));
        EXPECT_FALSE(library.IsLoaded());
        Library assigned;
        assigned = std::move(moved);
        EXPECT_FALSE(moved.IsLoaded());
        ASSERT_TRUE(ResolveInto(assigned, {Entry("qo_test_counter", counter)}));
        EXPECT_EQ(counter(), 3);
    }
    ASSERT_TRUE(library.Load(TestLibraryPath()));
    ASSERT_TRUE(ResolveInto(library, {Entry("qo_test_counter", counter)}));
    EXPECT_EQ(counter(), 1);
}

TEST(Library, ResolvesAllEntryPointsOrNone) {
    Library library;
    ASSERT_TRUE(library.Load(TestLibraryPath()));
    int sentinel = 0;
    BinaryFn* add = reinterpret_cast<BinaryFn*>(&sentinel);
    CounterFn* missing = reinterpret_cast<CounterFn*>(&sentinel);
    EXPECT_FALSE(
        ResolveInto(library, {Entry("qo_test_add", add), Entry("qo_test_missing", missing)}));
    EXPECT_EQ(add, nullptr);
    EXPECT_EQ(missing, nullptr);

    // The same through the plain form, with the missing name first.
    void* first = &sentinel;
    void* second = &sentinel;
    const char* const names[] = {"qo_test_missing", "qo_test_add"};
    void** const slots[] = {&first, &second};
    EXPECT_FALSE(library.ResolveAll(names, slots, 2));
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_TRUE(library.ResolveAll(names + 1, slots + 1, 1));
    EXPECT_NE(second, nullptr);
    EXPECT_TRUE(library.ResolveAll(nullptr, nullptr, 0));

    // Nothing loaded: nothing resolves.
    Library empty;
    add = reinterpret_cast<BinaryFn*>(&sentinel);
    EXPECT_FALSE(ResolveInto(empty, {Entry("qo_test_add", add)}));
    EXPECT_EQ(add, nullptr);
    EXPECT_EQ(empty.Resolve("qo_test_add"), nullptr);
    EXPECT_EQ(library.Resolve(nullptr), nullptr);
}

TEST(Library, MissingLibrariesAndPathsForSystemLibrariesFail) {
    Library library;
    EXPECT_FALSE(library.Load(kMissingLibrary));
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_FALSE(library.Load(u""));
    EXPECT_FALSE(library.Load(WString(u"qo\0x", 4)));

    // A failed load leaves nothing loaded, not the library loaded before.
    ASSERT_TRUE(library.Load(TestLibraryPath()));
    EXPECT_FALSE(library.Load(JoinPath(ProgramFolder(), kMissingLibrary)));
    EXPECT_FALSE(library.IsLoaded());

    // A system library is named, never found through a path.
    EXPECT_FALSE(library.LoadSystem(TestLibraryPath()));
    EXPECT_FALSE(library.LoadSystem(kMissingLibrary));
    EXPECT_FALSE(library.IsLoaded());
}

TEST(Library, LoadsASystemLibraryByName) {
    Library library;
#ifdef _WIN32
    ASSERT_TRUE(library.LoadSystem(u"version.dll"));
    EXPECT_NE(library.Resolve("GetFileVersionInfoSizeW"), nullptr);
    EXPECT_FALSE(library.LoadSystem(u"C:\\windows\\system32\\version.dll"));
#else
    ASSERT_TRUE(library.LoadSystem(u"libm.so.6"));
    double (*cosine)(double) = nullptr;
    ASSERT_TRUE(ResolveInto(library, {Entry("cos", cosine)}));
    EXPECT_EQ(cosine(0.0), 1.0);
#endif
}

}  // namespace
}  // namespace platform
