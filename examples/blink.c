/* A small firmware for the sample image: toggles P1.0 forever.
   Built with SDCC for an 8051-style core by scripts/make-examples.sh. */
#include <8051.h>

static void wait(unsigned int n) {
  while (n--) {
    unsigned char i = 200;
    while (i--) {
    }
  }
}

void main(void) {
  for (;;) {
    P1_0 = !P1_0;
    wait(500);
  }
}
