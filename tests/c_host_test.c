// SPDX-License-Identifier: MIT
/* A host written in plain C11, using nothing but the public header and the shared library. */
#include <stdio.h>
#include <string.h>

#include "TamselCalculatorHealth.h"

static int same_text(const TamselChar16 *answer, const char *expected) {
  size_t index = 0;
  for (; expected[index] != '\0'; ++index) {
    if (answer[index] != (TamselChar16)(unsigned char)expected[index]) return 0;
  }
  return answer[index] == 0;
}

#if defined(_WIN32)
#  define REQUEST(text) L##text
#else
#  define REQUEST(text) u##text
#endif

int main(void) {
  const TamselChar16 *answer = CalcHealth(REQUEST("bmi 70 1.75"));
  if (!same_text(answer, "BMI: 22.86")) {
    fputs("bmi 70 1.75 was not answered with BMI: 22.86\n", stderr);
    return 1;
  }
  if (CalcHealth(NULL) != answer || answer[0] != 'T') {
    fputs("a NULL command line did not answer with the banner in the same buffer\n", stderr);
    return 1;
  }
  answer = CalcHealth(REQUEST("bsa 70 175"));
  if (!same_text(answer, "Body Surface Area: 1.845 m\xB2")) {
    fputs("bsa 70 175 did not end in U+00B2\n", stderr);
    return 1;
  }
  puts("BMI: 22.86");
  return 0;
}
