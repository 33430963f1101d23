// The memory floor of the game's process: the same libraries, sound device and window, drawing nothing but clear-and-swap.
//
//   tarvo-bench-bare <seconds>
//
// Opens SDL with audio and the mixer as the game does, a 800 x 600 double-buffered
// window with depth, clears and swaps for the given time, then prints its peak
// resident memory (VmHWM) in kilobytes.
#include <GL/freeglut.h>
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

Uint32 endTicks = 0;

long peakResidentKb() {
    FILE* status = fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kb = -1;
    while (fgets(line, sizeof line, status))
        if (strncmp(line, "VmHWM:", 6) == 0) kb = atol(line + 6);
    fclose(status);
    return kb;
}

void display() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

void idle() {
    if (SDL_GetTicks() >= endTicks) {
        printf("VmHWM: %ld kB\n", peakResidentKb());
        fflush(stdout);
        exit(0);
    }
    glutPostRedisplay();
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? atoi(argv[1]) : 5;
    if (SDL_Init(SDL_INIT_NOPARACHUTE | SDL_INIT_AUDIO) < 0) {
        fprintf(stderr, "SDL initialization failed: %s\n", SDL_GetError());
        return 1;
    }
    atexit(SDL_Quit);
    if (Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024) == -1) fprintf(stderr, "Audio initialization failed: %s\n", SDL_GetError());
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("Tarvo Rink floor");
    glEnable(GL_DEPTH_TEST);
    glutDisplayFunc(display);
    glutIdleFunc(idle);
    endTicks = SDL_GetTicks() + (Uint32)seconds * 1000;
    glutMainLoop();
    return 0;
}
