#include "ModalDriver.h"

TModalDriver &DefaultModalDriver() {
  return ConsoleModalDriver();
}
