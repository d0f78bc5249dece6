{     Help Panel ID's created by Skeldon     }

const
  Main = 77;
  Purpose = 2;
  Install = 0;
