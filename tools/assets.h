// Every picture and sound of the game by its maker procedure, and the shared helpers of the makers.
#pragma once

#include <cstdint>
#include <vector>

#include "art.h"

// Opens one of the DejaVu fonts for the calling thread, or ends the generator with a message.
Typeface* needTypeface(const char* file);

// Menu, intro, fonts and match panel.
Image makeFont1();
Image makeFont2();
Image makeLogoLeft();
Image makeLogoRight();
Image makeMenuLogo();
Image makeTitle();
Image makeMenuBackground();
Image makeWindow();
Image makeGlow();
Image makeCheck();
Image makePanel();
Image makeButtonSingle();
Image makeButtonMulti();
Image makeButtonSettings();
Image makeButtonExit();
Image makeButtonEasy();
Image makeButtonNormal();
Image makeButtonHard();
Image makeButtonPlayer1Keys();
Image makeButtonPlayer2Keys();
Image makeButtonPlayer1Name();
Image makeButtonPlayer2Name();
Image makeButtonClose();
Image makeButtonYes();
Image makeButtonNo();
Image makeButtonLocal();
Image makeButtonHost();
Image makeButtonJoin();
Image makeButtonBack();
Image makeButtonAddress();
Image makeButtonWatch();
Image makeButtonWatchOff();

// The desktop icon: colour and coverage, size x size pixels.
struct Icon {
    Image colour;
    Mask alpha;
};
Icon makeIcon(int size);

// Playground 1, "tennis".
Image makeTennisFloor();
Image makeTennisSlabEnds();
Image makeTennisBoardTops();
Image makeTennisInnerFaces();
Image makeTennisOuterFaces();
Image makeTennisBoardEnds();
Image makeTennisNet();
Image makeTennisBackdrop();
Image makeTennisBall();
Image makeTennisBat();
Image makeTennisPreview();

// Playground 2, "futuristic": six floor frames and the rest.
Image makeNeonFloor(int frame);
Image makeMetalSlabEnds();
Image makeMetalBoardTops();
Image makeMetalInnerFaces();
Image makeMetalOuterFaces();
Image makeMetalBoardEnds();
Image makeEnergyField();
Image makeSpaceBackdrop();
Image makePlasmaBall();
Image makeNeonBat();
Image makeNeonPreview();

// Sounds: interleaved stereo samples at 22050 Hz.
typedef std::vector<int16_t> Sound;
Sound makeExplosion();
Sound makeMenuClick();
Sound makeMenuBlip();
Sound makeWoodThud();
Sound makeRacketPock();
Sound makeWhistle();
Sound makeMetalZap();
Sound makeLaserPing();
Sound makeSynthAlarm();
Sound makeMenuMusic();
Sound makeTennisMusic();
Sound makeNeonMusic();
