// SPDX-License-Identifier: MIT
// The call path must not touch the heap, and its stack must not grow with the input. This
// program replaces operator new, and on glibc malloc itself, to count every allocation.
#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "TamselReview.h"
#include "calc_request.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void note_allocation() {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

void* operator new(std::size_t size) {
  note_allocation();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

// Sanitizers and valgrind bring allocators of their own, which must not be bypassed.
#if defined(__SANITIZE_ADDRESS__)
#define TAMSEL_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAMSEL_OWN_ALLOCATOR 1
#endif
#endif

#if defined(__GLIBC__) && !defined(TAMSEL_OWN_ALLOCATOR)
#define TAMSEL_COUNTS_MALLOC 1
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);

void* malloc(std::size_t size) {
  note_allocation();
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  note_allocation();
  return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t size) {
  note_allocation();
  return __libc_realloc(block, size);
}
void free(void* block) { __libc_free(block); }
}
#endif

namespace tamsel_test {
namespace {

// Requests of every kind: results of every formula, usage and requirement lines, the banner,
// the listing, unknown keywords, long and non-ASCII lines.
std::vector<WideText> varied_requests() {
  std::vector<WideText> requests;
  for (const char* request :
       {"bmi 70 1.75", "whr 80 100", "wthr 85 170", "bai 100 1.75", "bsa 70 175", "bodyfat_navy M 90 40 180",
        "bodyfat_navy F 75 33 165 100", "bodyfat_navy M 90 40 180 95", "bodyfat_navy F 80 35 165", "lbm F 60 165",
        "bmr_harris M 80 180 30", "bmr_mifflin F 60 165 30", "tdee 1800 1.55", "ideal_devine M 180",
        "ideal_robinson F 165", "ideal_miller m 180", "max_hr 30", "target_hr 30 70", "bp_category 185 125",
        "map 120 80", "pulse_pressure 80 120", "bmi 70", "", "   ", "help", "foo 1 2", "bmi 1e400 nan",
        "bmi 0x10 -inf", "max_hr 99999999999999"}) {
    requests.push_back(wide_text(std::string_view(request)));
  }
  requests.push_back(wide_text(std::u16string_view(u"caf\u00e9 \u20ac \U0001F600 \xD800")));
  requests.push_back(wide_text("bmi" + std::string(1016, ' ') + "70 1.75"));
  requests.push_back(wide_text(std::string(3000, 'x')));
  return requests;
}

TEST(NoAllocation, TheCounterSeesAllocations) {
  allocations = 0;
  counting = true;
  int* volatile number = new int(1);
  delete number;
#ifdef TAMSEL_COUNTS_MALLOC
  void* volatile block = std::malloc(16);
  std::free(block);
#endif
  counting = false;
#ifdef TAMSEL_COUNTS_MALLOC
  EXPECT_GE(allocations.load(), 2);
#else
  EXPECT_GE(allocations.load(), 1);
#endif
}

TEST(NoAllocation, TenThousandVariedCallsAllocateNothing) {
  const std::vector<WideText> requests = varied_requests();
  allocations = 0;
  counting = true;
  for (int call = 0; call < 10000; ++call) {
    CalcHealth(requests[static_cast<std::size_t>(call) % requests.size()].c_str());
  }
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
#ifndef TAMSEL_COUNTS_MALLOC
  std::printf("note: only operator new was counted; malloc belongs to this build's own allocator\n");
#endif
}

// The review runs on every surface after every call, so it must not allocate either.
TEST(NoAllocation, TenThousandVariedReviewsAllocateNothing) {
  const std::vector<WideText> requests = varied_requests();
  static TamselRecord record;
  static char json[TAMSEL_REVIEW_JSON_BYTES];
  allocations = 0;
  counting = true;
  for (int call = 0; call < 10000; ++call) {
    tamsel_ask16(requests[static_cast<std::size_t>(call) % requests.size()].c_str(), &record);
    tamsel_record_json(&record, json, sizeof json);
  }
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
}

struct LongCall {
  const WideText* request;
  std::string answer;
  long allocations;
};

void* answer_on_small_stack(void* argument) {
  auto* call = static_cast<LongCall*>(argument);
  allocations = 0;
  counting = true;
  const TamselChar16* answer = CalcHealth(call->request->c_str());
  counting = false;
  call->allocations = allocations.load();
  call->answer = utf8_text(answer);
  return nullptr;
}

// A stack of 256 KiB is far below the length of the request, so a call whose stack grew with
// its input would crash here.
TEST(NoAllocation, FiftyMillionUnitsOnASmallStack) {
  WideText request = wide_text(std::string_view("bmi 70 1.75"));
  request.resize(50'000'000, u' ');
  LongCall call{&request, {}, -1};
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, answer_on_small_stack, &call), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_EQ(call.answer, "BMI: 22.86");
  EXPECT_EQ(call.allocations, 0);
}

}  // namespace
}  // namespace tamsel_test
