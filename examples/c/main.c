// SPDX-License-Identifier: MIT
/* The smallest host: one request, its answer printed as UTF-8. */
#include <stdio.h>

#include <TamselCalculatorHealth.h>

/* Prints a UTF-16 answer as UTF-8; the library answers within the basic plane. */
static void print_utf8(const TamselChar16 *text) {
  for (; *text != 0; ++text) {
    const unsigned unit = (unsigned)*text;
    if (unit < 0x80) {
      putchar((int)unit);
    } else if (unit < 0x800) {
      putchar((int)(0xC0 | (unit >> 6)));
      putchar((int)(0x80 | (unit & 0x3F)));
    } else {
      putchar((int)(0xE0 | (unit >> 12)));
      putchar((int)(0x80 | ((unit >> 6) & 0x3F)));
      putchar((int)(0x80 | (unit & 0x3F)));
    }
  }
  putchar('\n');
}

int main(void) {
#ifdef _WIN32
  const TamselChar16 *answer = CalcHealth(L"bmi 70 1.75");
#else
  const TamselChar16 *answer = CalcHealth(u"bmi 70 1.75");
#endif
  print_utf8(answer);
  return answer[0] == 'B' ? 0 : 1;
}
