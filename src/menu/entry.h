// Name typing and key capture on the settings pages; a host typed on the join page.
#pragma once

void captureKey(int code);
// A character typed on a name page, or on the join page's typed host.
void typeNameChar(unsigned char ch);
void finishNameEntry();
