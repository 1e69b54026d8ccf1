/* A tiny 8051 program: walks one lit LED along port 1. Only here so that a
   real compiler writes the Intel HEX file the tests load. */
#include <8051.h>

static const unsigned char pattern[] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};

static void delay(unsigned int n) {
  while (n--) {
    __asm nop __endasm;
  }
}

void main(void) {
  unsigned char i = 0;
  for (;;) {
    P1 = pattern[i++ & 7];
    delay(5000);
  }
}
