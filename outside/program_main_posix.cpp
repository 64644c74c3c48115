// A program of ours elsewhere than Windows: its main is the program's own entry, linked in.

extern "C" int pelderwick_main(int argc, char** argv);

int main(int argc, char** argv)
{
    return pelderwick_main(argc, argv);
}
