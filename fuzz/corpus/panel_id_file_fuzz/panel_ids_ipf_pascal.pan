{     Help Panel ID's created by Skeldon     }

const
  Main = 1;
  Purpose = 2;
  Install = 4;
