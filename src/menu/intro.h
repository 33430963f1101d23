// The intro: two logos slide together with a bang and shake, the background fades to black, and they slide apart.
#pragma once

// One idle step of the intro's animation; at its end the menu takes over.
void stepIntro();
// The intro over, by itself or by Escape: the menu shows, with its pointer and music.
void endIntro();
