// Name typing and key capture on the settings pages.
#pragma once

void captureKey(int code);
void typeNameChar(unsigned char ch);
void finishNameEntry();
